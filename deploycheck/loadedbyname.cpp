#include "loadedbyname.h"

#include "kit/peimage.h"
#include "qtbinary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Bounds on what a hostile qt.conf can make the check read.
const qint64 maxQtConfSize = 64 * 1024;
const int maxQtConfLine = 4096;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Windows compares paths without regard to case.
bool isSameOrInside(const QString &path, const QString &folder)
{
    return path.compare(folder, Qt::CaseInsensitive) == 0
            || path.startsWith(folder + QLatin1Char('/'), Qt::CaseInsensitive);
}

QString absolute(const QString &base, const QString &path)
{
    // "C:/x" is absolute on Windows only; it never leads into the folder.
    if (path.size() > 1 && path.at(1) == QLatin1Char(':'))
        return path;
    return QDir::cleanPath(QDir(base).absoluteFilePath(path));
}

// The plugin folder a qt.conf beside the program sets: [Paths] Prefix,
// relative to the program's folder, and Plugins, relative to the prefix.
// Empty without a qt.conf.
QString qtConfPlugins(const QString &appDir)
{
    QFile file(appDir + QStringLiteral("/qt.conf"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QString prefix = QStringLiteral(".");
    QString plugins = QStringLiteral("plugins");
    bool inPaths = false;
    const QList<QByteArray> lines = file.read(maxQtConfSize).split('\n');
    for (const QByteArray &bytes : lines) {
        if (bytes.size() > maxQtConfLine)
            continue;
        const QString line = QString::fromUtf8(bytes).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inPaths = line.compare(QLatin1String("[Paths]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (!inPaths || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        QString value = line.mid(equals + 1).trimmed();
        if (value.size() > 1 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        value = QDir::fromNativeSeparators(value);
        if (key.compare(QLatin1String("Prefix"), Qt::CaseInsensitive) == 0)
            prefix = value;
        else if (key.compare(QLatin1String("Plugins"), Qt::CaseInsensitive) == 0)
            plugins = value;
    }
    return absolute(absolute(appDir, prefix), plugins);
}

class Checker
{
public:
    explicit Checker(const ByNameInput &input) : in(input)
    {
        roots << in.appDir;
        const QString configured = qtConfPlugins(in.appDir);
        if (!configured.isEmpty() && isSameOrInside(configured, in.appDir))
            roots << configured;
        else if (!configured.isEmpty())
            outside = configured;
    }

    QVector<ByNameFinding> findings;

    void platformPlugin();
    void tls5();
    void tls6();

private:
    QString dll(const QStringList &lowerNames) const;
    QString plugin(const QString &folder, const QStringList &names) const;
    QString whyNot(const QString &path, const QtBuild &core) const;
    bool inFolder(const QStringList &pair) const;
    QString openSsl(const QVector<QStringList> &pairs, QStringList *found) const;
    QString whereOpenSsl(const QVector<QStringList> &pairs, ByNameFinding *finding) const;

    const ByNameInput &in;
    QStringList roots; // where Qt looks for plugins
    QString outside; // a plugin folder of qt.conf's outside the folder
};

// The first of the DLLs in the folder, as written; empty: none.
QString Checker::dll(const QStringList &lowerNames) const
{
    for (const QString &name : lowerNames) {
        if (in.names.contains(name))
            return in.names.value(name);
    }
    return QString();
}

// The first of the plugins in a plugin folder's `folder` with the program's
// bitness; empty: none.
QString Checker::plugin(const QString &folder, const QStringList &names) const
{
    for (const QString &root : roots) {
        for (const QString &name : names) {
            const QString path = root + QLatin1Char('/') + folder + QLatin1Char('/') + name;
            if (QFileInfo(path).isFile() && (in.bits == 0 || readPeImage(path).bits == in.bits))
                return path;
        }
    }
    return QString();
}

// Why the plugin at `path` does not load into `core`; empty: it does, or
// its metadata cannot be read.
QString Checker::whyNot(const QString &path, const QtBuild &core) const
{
    const PeImage image = readPeImage(path);
    if (!image.isValid())
        return QStringLiteral("it is no Windows DLL");
    if (in.bits != 0 && image.bits != in.bits)
        return QStringLiteral("it is %1-bit, the program %2-bit").arg(image.bits).arg(in.bits);
    const QtBuild build = readPluginBuild(path);
    if (!build.isValid() || core.loads(build))
        return QString();
    if (build.major != core.major || build.minor > core.minor)
        return QStringLiteral("it is built for Qt %1, the Qt Core beside the program is Qt %2")
                .arg(build.version(), core.minor == 255 ? QString::number(core.major) : core.version());
    return build.debug ? QStringLiteral("it is a debug build, Qt Core a release build")
                       : QStringLiteral("it is a release build, Qt Core a debug build");
}

void Checker::platformPlugin()
{
    const QString gui = dll({ QStringLiteral("qt6gui.dll"), QStringLiteral("qt6guid.dll"),
                              QStringLiteral("qt5gui.dll"), QStringLiteral("qt5guid.dll") });
    if (gui.isEmpty())
        return;
    if (!outside.isEmpty())
        findings.append({ QStringLiteral("qt.conf sets %1 as the plugin folder, outside the "
                                         "application folder: the check does not look there, and "
                                         "another machine will not have it.")
                                  .arg(native(outside)),
                          false,
                          {} });
    const bool debugGui = gui.endsWith(QLatin1String("d.dll"), Qt::CaseInsensitive);
    const QString major = gui.mid(2, 1);
    const QString coreName = dll(
            { QStringLiteral("qt%1core%2.dll").arg(major, debugGui ? QStringLiteral("d") : QString()) });
    QtBuild core =
            coreName.isEmpty() ? QtBuild() : readCoreBuild(in.appDir + QLatin1Char('/') + coreName);
    if (!core.isValid()) {
        // Without Qt Core's version, only the major version is compared.
        core.major = major.toInt();
        core.minor = 255;
    }
    core.debug = core.debug || debugGui;

    QString misfit;
    QString misfitPath;
    const QStringList names = { QStringLiteral("qwindows.dll"), QStringLiteral("qwindowsd.dll") };
    for (const QString &root : qAsConst(roots)) {
        for (const QString &name : names) {
            const QString path = root + QStringLiteral("/platforms/") + name;
            if (!QFileInfo(path).isFile())
                continue;
            const QString reason = whyNot(path, core);
            if (reason.isEmpty())
                return;
            if (misfit.isEmpty()) {
                misfit = reason;
                misfitPath = path;
            }
        }
    }
    const QString wanted = core.debug ? names.at(1) : names.at(0);
    const QString kitPlugin = in.kitDir + QStringLiteral("/plugins/platforms/") + wanted;
    const bool kitFits = !in.kitDir.isEmpty() && QFileInfo(kitPlugin).isFile()
            && whyNot(kitPlugin, core).isEmpty();
    const QString kitFolder = native(QFileInfo(kitPlugin).absolutePath());
    ByNameFinding finding;
    finding.warning = true;
    if (misfit.isEmpty()) {
        finding.text =
                QStringLiteral("Missing: the platform plugin platforms%1%2, which Qt GUI (%3) "
                               "loads at start-up; without it the program stops with \"no Qt "
                               "platform plugin could be initialized\". ")
                        .arg(QDir::separator(), wanted, gui)
                + (kitFits ? QStringLiteral("A fitting one is in %1.").arg(kitFolder)
                           : QStringLiteral("None that fits was found on this machine (looked in "
                                            "the kit's plugins%1platforms).")
                                     .arg(QDir::separator()));
        if (kitFits)
            finding.copies.append({ kitPlugin, in.appDir + QStringLiteral("/platforms/") + wanted });
    } else {
        finding.text = QStringLiteral("The platform plugin %1 does not fit: %2, so Qt GUI (%3) "
                                      "cannot load it at start-up. ")
                               .arg(native(QDir(in.appDir).relativeFilePath(misfitPath)), misfit, gui)
                + (kitFits ? QStringLiteral("Replace it with the one in %1, or run the tool again "
                                            "with the kit the program was built with.")
                                     .arg(kitFolder)
                           : QStringLiteral("Run the tool again with the kit the program was built "
                                            "with."));
    }
    findings.append(finding);
}

bool Checker::inFolder(const QStringList &pair) const
{
    for (const QString &name : pair) {
        const int bits = in.inFolder.value(name.toLower() + QStringLiteral(".dll"));
        if (bits == 0 || (in.bits != 0 && bits != in.bits))
            return false;
    }
    return true;
}

// The folder on this machine holding one of the pairs with the program's
// bitness, in the check's places, the installer's layout beside the kit and
// OpenSSL's own installer's folder; `found` is set to that pair.
QString Checker::openSsl(const QVector<QStringList> &pairs, QStringList *found) const
{
    QStringList folders = in.places;
    const QString arch = in.bits == 32 ? QStringLiteral("Win_x86") : QStringLiteral("Win_x64");
    if (!in.kitDir.isEmpty()) {
        const QDir tools(QDir::cleanPath(in.kitDir + QStringLiteral("/../../Tools")));
        const QStringList kinds = tools.entryList({ QStringLiteral("OpenSSL*") }, QDir::Dirs,
                                                  QDir::Name | QDir::Reversed);
        for (const QString &kind : kinds)
            folders << QDir::cleanPath(tools.filePath(kind) + QLatin1Char('/') + arch
                                       + QStringLiteral("/bin"));
    }
    for (const QString &programFiles : in.programFiles)
        folders << programFiles
                        + (in.bits == 32 ? QStringLiteral("/OpenSSL-Win32/bin")
                                         : QStringLiteral("/OpenSSL-Win64/bin"));
    for (const QStringList &pair : pairs) {
        for (const QString &folder : qAsConst(folders)) {
            bool all = true;
            for (const QString &name : pair) {
                const PeImage image =
                        readPeImage(folder + QLatin1Char('/') + name + QStringLiteral(".dll"));
                all = all && image.isValid() && (in.bits == 0 || image.bits == in.bits);
            }
            if (all) {
                *found = pair;
                return folder;
            }
        }
    }
    return QString();
}

// Where OpenSSL is on this machine, in a sentence; what to copy goes into
// `finding`.
QString Checker::whereOpenSsl(const QVector<QStringList> &pairs, ByNameFinding *finding) const
{
    QStringList pair;
    const QString folder = openSsl(pairs, &pair);
    if (folder.isEmpty()) {
        const QString root = in.kitDir.isEmpty()
                ? QStringLiteral("<Qt>")
                : native(QDir::cleanPath(in.kitDir + QStringLiteral("/../..")));
        const bool three = pairs.first().first().contains(QLatin1String("-3"));
        return QStringLiteral("They are nowhere on this machine; Qt's installer puts them in %1.")
                .arg(native(root + QStringLiteral("/Tools/")
                            + (three ? QStringLiteral("OpenSSLv3") : QStringLiteral("OpenSSL"))
                            + (in.bits == 32 ? QStringLiteral("/Win_x86/bin")
                                             : QStringLiteral("/Win_x64/bin"))));
    }
    for (const QString &name : qAsConst(pair))
        finding->copies.append({ folder + QLatin1Char('/') + name + QStringLiteral(".dll"),
                                 in.appDir + QLatin1Char('/') + name + QStringLiteral(".dll") });
    return QStringLiteral("On this machine they are in %1; OpenSSL's licence must ship with them.")
            .arg(native(folder));
}

QString listed(const QVector<QStringList> &pairs)
{
    QStringList each;
    for (const QStringList &pair : pairs)
        each << pair.join(QStringLiteral(".dll and ")) + QStringLiteral(".dll");
    return each.join(QStringLiteral(", or "));
}

void Checker::tls5()
{
    const QString network =
            dll({ QStringLiteral("qt5network.dll"), QStringLiteral("qt5networkd.dll") });
    if (network.isEmpty())
        return;
    // Qt Network built with OpenSSL linked in imports it, which the check sees.
    const QVector<QStringList> pairs = readOpenSslNames(in.appDir + QLatin1Char('/') + network);
    for (const QStringList &pair : pairs) {
        if (inFolder(pair))
            return;
    }
    if (pairs.isEmpty())
        return;
    ByNameFinding finding;
    finding.warning = in.userImportsNetwork;
    finding.text =
            (finding.warning
                     ? QStringLiteral("OpenSSL is not in the folder: Qt Network (%1) loads %2 "
                                      "by name, so HTTPS and every other TLS connection will "
                                      "fail on a machine without OpenSSL. ")
                     : QStringLiteral("OpenSSL is not in the folder: Qt Network (%1), which Qt "
                                      "QML needs, loads %2 by name; should the program make "
                                      "HTTPS or other TLS connections, they will fail on a "
                                      "machine without OpenSSL. "))
                    .arg(network, listed(pairs))
            + whereOpenSsl(pairs, &finding);
    findings.append(finding);
}

void Checker::tls6()
{
    if (dll({ QStringLiteral("qt6network.dll"), QStringLiteral("qt6networkd.dll") }).isEmpty())
        return;
    const QString tls = QStringLiteral("tls");
    const QString openSslBackend = plugin(
            tls, { QStringLiteral("qopensslbackend.dll"), QStringLiteral("qopensslbackendd.dll") });
    const bool schannel =
            !plugin(tls,
                    { QStringLiteral("qschannelbackend.dll"), QStringLiteral("qschannelbackendd.dll") })
                     .isEmpty();
    const QVector<QStringList> pairs =
            openSslBackend.isEmpty() ? QVector<QStringList>() : readOpenSslNames(openSslBackend);
    bool openSslLoads = !openSslBackend.isEmpty() && pairs.isEmpty();
    for (const QStringList &pair : pairs)
        openSslLoads = openSslLoads || inFolder(pair);
    if (openSslLoads)
        return;
    ByNameFinding finding;
    const QString where =
            pairs.isEmpty() ? QString() : QLatin1Char(' ') + whereOpenSsl(pairs, &finding);
    const QString separator = QDir::separator();
    if (schannel) {
        finding.text =
                QStringLiteral("TLS uses Windows' own Schannel (tls%1qschannelbackend.dll)").arg(separator)
                + (openSslBackend.isEmpty() ? QStringLiteral(".")
                                            : QStringLiteral(": the OpenSSL backend is there, but "
                                                             "OpenSSL's DLLs (%1) are not "
                                                             "deployed.")
                                                      .arg(listed(pairs))
                                   + where);
        findings.append(finding);
        return;
    }
    finding.warning = true;
    const bool anyBackend = !openSslBackend.isEmpty()
            || !plugin(tls,
                       { QStringLiteral("qcertonlybackend.dll"),
                         QStringLiteral("qcertonlybackendd.dll") })
                        .isEmpty();
    finding.text =
            QStringLiteral("No TLS backend that can work is in the folder (%1): HTTPS and every "
                           "other TLS connection will fail. ")
                    .arg(!openSslBackend.isEmpty()
                                 ? QStringLiteral(
                                           "the OpenSSL one is there without OpenSSL's DLLs, %1")
                                           .arg(listed(pairs))
                                 : anyBackend
                                 ? QStringLiteral("tls%1 holds only the certificate-only one").arg(separator)
                                 : QStringLiteral("it has no tls%1 folder").arg(separator));
    const QString kitSchannel = in.kitDir + QStringLiteral("/plugins/tls/qschannelbackend.dll");
    if (!in.kitDir.isEmpty() && QFileInfo(kitSchannel).isFile()) {
        finding.text += QStringLiteral("Windows' own Schannel backend is in %1.")
                                .arg(native(QFileInfo(kitSchannel).absolutePath()));
        finding.copies.append({ kitSchannel, in.appDir + QStringLiteral("/tls/qschannelbackend.dll") });
    } else {
        finding.text +=
                QStringLiteral("Run the tool again with a kit that has Qt Network's TLS plugins.");
    }
    finding.text += where;
    findings.append(finding);
}

} // namespace

QVector<ByNameFinding> checkLoadedByName(const ByNameInput &input)
{
    Checker checker(input);
    checker.platformPlugin();
    checker.tls5();
    checker.tls6();
    return checker.findings;
}
