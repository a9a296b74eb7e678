#include "RunMkBase.h"

#include "AccessFileKind.h"
#include "EscapeForMessage.h"
#include "GenerateDirectory.h"
#include "WriteMdbFromCsv.h"

#include <QCommandLineParser>
#include <QFile>

using namespace Qt::StringLiterals;

namespace velkaro::mkbase {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

QString helpText()
{
    return uR"(Usage: velkaro-mkbase [--format F] [--table NAME] [--columns LIST] INPUT.csv OUTPUT.mdb
       velkaro-mkbase --generate N [--seed S] [--format F] [--table NAME] OUTPUT.mdb

Writes an Access database file with one table.

From CSV: UTF-8 (a BOM is skipped), a header row naming the columns in any
order, RFC 4180 quoting, commas. An empty unquoted field is NULL, "" is the
empty text; blanks inside values are kept exactly.

--generate N writes N fictional directory entries, the same for the same seed.

Options:
  --table NAME     table name (default Base): letters (Latin or Cyrillic), digits,
                   blanks and ASCII punctuation other than . ! ` [ ]
  --columns LIST   comma-separated NAME:TYPE, TYPE one of
                     text(N)  text of at most N characters, N 1..255
                     text     the same as text(255)
                     byte     0..255
                     integer  -32768..32767
                     long     Long Integer
                     double   Double
                   default: ABONENT:text(255),PHONE:text(50),ADDRESS:text(255),
                            COMMENT:text(255),NO_TYPE:long
  --format F       jet4 (default: Access 2000-2003 .mdb), ace12, ace14, ace15,
                   ace16, ace17 (.accdb of Access 2007, 2010, 2013, 2016, 2019)
                   or jet3 (Access 97 .mdb, at most about 2 MB)
  --code-page N    jet3: code page the header and columns name (default 1252)
  --sort-order N   jet3: sort order, 1033 General (default) or 1049 Cyrillic
  --text-code-page N
                   jet3: code page the texts are stored in (default: --code-page);
                   1251 with --code-page 1252 is a Russian Access 97 with the
                   General sort order
  --generate N     write N generated entries instead of reading CSV
  --seed S         seed of the generated entries (default 1)
  -h, --help       show this text
)"_s;
}

} // namespace

int runMkBase(const QStringList &arguments, QTextStream &errors)
{
    auto fail = [&errors](const QString &message, int code) {
        errors << u"velkaro-mkbase: "_s << escapeForMessage(message, -1) << u'\n';
        errors.flush();
        return code;
    };

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption helpOption(QStringList {u"h"_s, u"help"_s});
    const QCommandLineOption tableOption(u"table"_s, QString(), u"NAME"_s, u"Base"_s);
    const QCommandLineOption columnsOption(u"columns"_s, QString(), u"LIST"_s);
    const QCommandLineOption generateOption(u"generate"_s, QString(), u"N"_s);
    const QCommandLineOption seedOption(u"seed"_s, QString(), u"S"_s, u"1"_s);
    const QCommandLineOption formatOption(u"format"_s, QString(), u"F"_s, u"jet4"_s);
    const QCommandLineOption codePageOption(u"code-page"_s, QString(), u"N"_s, u"1252"_s);
    const QCommandLineOption sortOrderOption(u"sort-order"_s, QString(), u"N"_s, u"1033"_s);
    const QCommandLineOption textCodePageOption(u"text-code-page"_s, QString(), u"N"_s);
    parser.addOptions({helpOption, tableOption, columnsOption, generateOption, seedOption, formatOption, codePageOption,
        sortOrderOption, textCodePageOption});
    if (!parser.parse(arguments))
        return fail(escapeForMessage(parser.errorText(), 200) + u" (see --help)"_s, kExitUsage);
    if (parser.isSet(helpOption)) {
        QTextStream(stdout) << helpText();
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    const QString table = parser.value(tableOption);
    QString error;
    AccessFileKind kind;
    if (!parseFormatName(parser.value(formatOption), &kind.format))
        return fail(u"--format takes jet4, ace12, ace14, ace15, ace16, ace17 or jet3, not \"%1\""_s.arg(
                        escapeForMessage(parser.value(formatOption))),
            kExitUsage);
    const bool jet3 = kind.format == AccessFormat::Jet3;
    for (const QCommandLineOption *option : {&codePageOption, &sortOrderOption, &textCodePageOption}) {
        if (parser.isSet(*option) && !jet3)
            return fail(u"--%1 only applies to --format jet3"_s.arg(option->names().constFirst()), kExitUsage);
        bool ok = false;
        const uint value = parser.value(*option).toUInt(&ok);
        if (parser.isSet(*option) && (!ok || value == 0 || value > 0xFFFF))
            return fail(u"--%1 needs a number from 1 to 65535, not \"%2\""_s.arg(
                            option->names().constFirst(), escapeForMessage(parser.value(*option))),
                kExitUsage);
    }
    kind.jet3.codePage = quint16(parser.value(codePageOption).toUInt());
    kind.jet3.sortOrder = quint16(parser.value(sortOrderOption).toUInt());
    kind.jet3.textCodePage =
        quint16(parser.isSet(textCodePageOption) ? parser.value(textCodePageOption).toUInt() : kind.jet3.codePage);

    if (parser.isSet(generateOption)) {
        if (parser.isSet(columnsOption))
            return fail(u"--columns cannot be combined with --generate"_s, kExitUsage);
        if (positional.size() != 1)
            return fail(u"--generate takes exactly one output file (see --help)"_s, kExitUsage);
        bool rowsOk = false;
        bool seedOk = false;
        const qint64 rows = parser.value(generateOption).toLongLong(&rowsOk);
        const quint64 seed = parser.value(seedOption).toULongLong(&seedOk);
        if (!rowsOk || rows < 0)
            return fail(u"--generate needs a number of entries, not \"%1\""_s.arg(
                            escapeForMessage(parser.value(generateOption))),
                kExitUsage);
        if (!seedOk)
            return fail(u"--seed needs a non-negative whole number, not \"%1\""_s.arg(
                            escapeForMessage(parser.value(seedOption))),
                kExitUsage);
        const bool written = jet3 ? writeJet3FromCsv(generatedDirectoryCsv(rows, seed), u"generated entries"_s,
                                 positional.at(0), kind.jet3, &error, table)
                                  : generateDirectory(rows, seed, positional.at(0), table, &error);
        if (!written || !finishAccessFile(positional.at(0), kind, &error))
            return fail(error, kExitFailure);
        return 0;
    }

    if (parser.isSet(seedOption))
        return fail(u"--seed only applies to --generate"_s, kExitUsage);
    if (positional.size() != 2)
        return fail(u"expected INPUT.csv and OUTPUT.mdb (see --help)"_s, kExitUsage);
    QFile input(positional.at(0));
    if (!input.open(QIODevice::ReadOnly))
        return fail(
            u"cannot read %1: %2"_s.arg(escapeForMessage(input.fileName(), -1), input.errorString()), kExitFailure);
    const QByteArray csv = input.readAll();
    if (input.error() != QFileDevice::NoError)
        return fail(
            u"cannot read %1: %2"_s.arg(escapeForMessage(input.fileName(), -1), input.errorString()), kExitFailure);
    const QString columns = parser.value(columnsOption);
    const bool written = jet3
        ? writeJet3FromCsv(csv, input.fileName(), positional.at(1), kind.jet3, &error, table, columns)
        : writeMdbFromCsvSource(csv, input.fileName(), positional.at(1), &error, table, columns);
    if (!written || !finishAccessFile(positional.at(1), kind, &error))
        return fail(error, kExitFailure);
    return 0;
}

} // namespace velkaro::mkbase
