#include "database/connection/OdbcConnectionString.h"

namespace velkaro::database {

std::optional<QString> odbcAttribute(const QString &connectionText, const QString &key)
{
    qsizetype pos = 0;
    const qsizetype size = connectionText.size();
    while (pos < size) {
        const qsizetype equals = connectionText.indexOf(u'=', pos);
        const qsizetype semicolon = connectionText.indexOf(u';', pos);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            // A part without `=`: only blanks may stand there.
            const qsizetype partEnd = semicolon < 0 ? size : semicolon;
            if (!QStringView(connectionText).mid(pos, partEnd - pos).trimmed().isEmpty())
                return std::nullopt;
            pos = partEnd + 1;
            continue;
        }
        const QString name = connectionText.mid(pos, equals - pos).trimmed();
        QString value;
        pos = equals + 1;
        if (pos < size && connectionText[pos] == u'{') {
            ++pos;
            for (;;) {
                const qsizetype close = connectionText.indexOf(u'}', pos);
                if (close < 0)
                    return std::nullopt;
                value += QStringView(connectionText).mid(pos, close - pos);
                pos = close + 1;
                if (pos < size && connectionText[pos] == u'}') {
                    value += u'}';
                    ++pos;
                    continue;
                }
                break;
            }
            while (pos < size && connectionText[pos] == u' ')
                ++pos;
            if (pos < size && connectionText[pos] != u';')
                return std::nullopt;
        } else {
            const qsizetype end = semicolon < 0 ? size : semicolon;
            value = connectionText.mid(pos, end - pos);
            pos = end;
        }
        ++pos;
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

std::optional<QString> accessDatabaseFile(const QString &connectionText)
{
    const auto driver = odbcAttribute(connectionText, QStringLiteral("DRIVER"));
    if (!driver || driver->trimmed().compare(u"Microsoft Access Driver (*.mdb)", Qt::CaseInsensitive) != 0)
        return std::nullopt;
    auto file = odbcAttribute(connectionText, QStringLiteral("DBQ"));
    if (!file || file->isEmpty())
        return std::nullopt;
    return file;
}

} // namespace velkaro::database
