#ifndef KITSTORE_H
#define KITSTORE_H

#include <QString>

// Where a Qt kit chosen in the window is kept for the next start. Start-up
// hands the window one, so that the window need not know the file.
class KitStore
{
public:
    virtual ~KitStore() = default;

    // False when the kit could not be saved.
    virtual bool save(const QString &qtDir) = 0;
    // Where the kit is saved, as an absolute path for the user to read.
    virtual QString location() const = 0;
};

#endif // KITSTORE_H
