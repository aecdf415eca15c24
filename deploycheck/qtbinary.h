#ifndef QTBINARY_H
#define QTBINARY_H

#include <QString>
#include <QStringList>
#include <QVector>

// The Qt a file was built as: a plugin's metadata, Qt Core's version resource.
struct QtBuild
{
    int major = 0; // 0: not readable
    int minor = 0;
    int patch = 0;
    bool debug = false;

    bool isValid() const { return major != 0; }
    // Qt's own rule for loading a plugin built as `plugin` into this Qt Core:
    // the same major version, no newer minor version, debug with debug.
    bool loads(const QtBuild &plugin) const;
    QString version() const;
};

// What a Qt plugin's metadata says of the Qt it was built for (Qt 5.13 and
// later: "QTMETADATA !", a header, then CBOR; older Qt 5: binary JSON).
QtBuild readPluginBuild(const QString &path);

// Qt Core's version and build from the version resource Qt puts in it.
QtBuild readCoreBuild(const QString &path);

// The names of OpenSSL's two DLLs that Qt Network 5 or Qt 6's OpenSSL
// backend loads by name, without ".dll", in the order Qt tries them:
// {libssl, libcrypto} pairs, read from the file's text.
QVector<QStringList> readOpenSslNames(const QString &path);

#endif // QTBINARY_H
