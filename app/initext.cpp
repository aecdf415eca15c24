#include "initext.h"

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

int valueEnd(const QByteArray &content, int from, int lineEnd)
{
    bool quoted = false;
    int end = from;
    for (; end < lineEnd && (quoted || content.at(end) != ';'); ++end) {
        if (content.at(end) == '"')
            quoted = !quoted;
    }
    while (end > from && isBlank(content.at(end - 1)))
        --end;
    return end;
}

} // namespace

QByteArray QtDirEntry::value(const QByteArray &content) const
{
    if (valueStart < 0)
        return QByteArray();
    return content.mid(valueStart, valueEnd - valueStart);
}

QtDirEntry findQtDirEntry(const QByteArray &content)
{
    const QByteArray byteOrderMark("\xef\xbb\xbf");
    QtDirEntry found;
    QByteArray lastSection; // the last [QTDIR] header's name, and where it ends
    int lastHeaderEnd = -1;
    bool inSection = false;
    int pos = content.startsWith(byteOrderMark) ? byteOrderMark.size() : 0;
    while (pos <= content.size()) {
        int end = content.indexOf('\n', pos);
        if (end < 0)
            end = content.size();
        const QByteArray line = content.mid(pos, end - pos).trimmed();
        const int equals = line.indexOf('=');
        if (line.startsWith('[')) {
            inSection = line.compare("[QTDIR]", Qt::CaseInsensitive) == 0;
            if (inSection) {
                lastSection = line.mid(1, line.size() - 2);
                lastHeaderEnd = end;
            }
        } else if (inSection && equals > 0
                   && line.left(equals).trimmed().compare("PATH", Qt::CaseInsensitive) == 0) {
            found.section = lastSection;
            found.headerEnd = lastHeaderEnd;
            found.key = line.left(equals).trimmed();
            found.valueStart = content.indexOf('=', pos) + 1;
            while (found.valueStart < end && isBlank(content.at(found.valueStart)))
                ++found.valueStart;
            found.valueEnd = valueEnd(content, found.valueStart, end);
        }
        pos = end + 1;
    }
    if (found.key.isEmpty()) {
        found.section = lastSection;
        found.headerEnd = lastHeaderEnd;
    }
    return found;
}
