#include "errorbox.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>

namespace {

// Bounds on what a hostile program can make the reader do.
const int maxTextLength = 2048;
const int maxTexts = 8;

struct Search
{
    DWORD processId = 0;
    int boxes = 0;
    int others = 0;
    bool otherChild = false;
    QStringList texts;
};

QString className(HWND window)
{
    wchar_t name[64];
    const int length = GetClassNameW(window, name, 64);
    return QString::fromWCharArray(name, qMax(length, 0));
}

QString windowText(HWND window)
{
    wchar_t text[maxTextLength];
    const int length = GetWindowTextW(window, text, maxTextLength);
    return QString::fromWCharArray(text, qMax(length, 0)).simplified();
}

BOOL CALLBACK lookAtChild(HWND child, LPARAM param)
{
    auto *search = reinterpret_cast<Search *>(param);
    const QString name = className(child);
    if (name.compare(QLatin1String("Static"), Qt::CaseInsensitive) == 0) {
        const QString text = windowText(child);
        if (!text.isEmpty() && search->texts.size() < maxTexts)
            search->texts << text;
    } else if (name.compare(QLatin1String("Button"), Qt::CaseInsensitive) != 0) {
        search->otherChild = true;
    }
    return TRUE;
}

BOOL CALLBACK lookAtWindow(HWND window, LPARAM param)
{
    auto *search = reinterpret_cast<Search *>(param);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || !IsWindowVisible(window))
        return TRUE;
    if (className(window) != QLatin1String("#32770")) {
        ++search->others;
        return TRUE;
    }
    const QStringList before = search->texts;
    const QString title = windowText(window);
    if (!title.isEmpty() && search->texts.size() < maxTexts)
        search->texts << title;
    search->otherChild = false;
    EnumChildWindows(window, lookAtChild, param);
    if (search->otherChild) {
        search->texts = before;
        ++search->others;
    } else {
        ++search->boxes;
    }
    return TRUE;
}

} // namespace

ErrorBoxes readErrorBoxes(qint64 processId)
{
    Search search;
    search.processId = DWORD(processId);
    EnumWindows(lookAtWindow, reinterpret_cast<LPARAM>(&search));
    ErrorBoxes found;
    found.onlyBoxes = search.boxes > 0 && search.others == 0;
    if (found.onlyBoxes)
        found.texts = search.texts;
    return found;
}

#else

ErrorBoxes readErrorBoxes(qint64 processId)
{
    Q_UNUSED(processId);
    return ErrorBoxes();
}

#endif
