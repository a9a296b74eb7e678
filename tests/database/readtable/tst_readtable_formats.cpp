#include "database/readtable/ReadTableFixtures.h"

#include "database/core/DatabaseError.h"
#include "database/readtable/TableSource.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace velkaro::database;
using namespace velkaro::database::test;
using namespace Qt::Literals::StringLiterals;
using Row = QList<std::optional<QString>>;

namespace {

constexpr qint64 kRows = 400;

// A written Jet 4 file as Access 2007-2019 saves it: ACE keeps Jet 4's pages under its own name and version.
void asAce(QByteArray &file, char version)
{
    file.replace(4, 16, QByteArray("Standard ACE DB", 16));
    file[0x14] = version;
}

// The header's masked fields are changed by XORing the stored bytes with the change of the plain ones.
void setPasswordByte(QByteArray &file)
{
    file[0x42] = char(file[0x42] ^ 'S');
}

void setDatabaseKey(QByteArray &file)
{
    file[0x3E] = char(file[0x3E] ^ 0x2B);
}

} // namespace

// Every format Access saves reads as the Jet 4 file with the same rows; locked files show nothing.
class tst_readtable_formats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sameRows_data();
    void sameRows();
    void locked_data();
    void locked();

private:
    QString variant(const QString &name, const std::function<void(QByteArray &)> &patch);

    QTemporaryDir m_dir;
    QString m_jet4;
    QList<Row> m_rows;
};

void tst_readtable_formats::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_jet4 = writeDirectory(m_dir.filePath(u"jet4.mdb"_s), kRows, 17);
    RecordingSink sink;
    readTable(m_jet4, u"Base"_s, sink);
    QCOMPARE(sink.m_rows.size(), kRows);
    m_rows = sink.m_rows;
}

QString tst_readtable_formats::variant(const QString &name, const std::function<void(QByteArray &)> &patch)
{
    QByteArray bytes = readFile(m_jet4);
    patch(bytes);
    const QString path = m_dir.filePath(name);
    writeFile(path, bytes);
    return path;
}

void tst_readtable_formats::sameRows_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("Jet 4") << m_jet4;
    const char *names[] = {"ACE 12", "ACE 14", "ACE 15", "ACE 16", "ACE 17"};
    for (char version = 2; version <= 6; ++version) {
        QTest::newRow(names[version - 2]) << variant(QString::fromLatin1(names[version - 2]) + u".accdb"_s,
            [version](QByteArray &file) { asAce(file, version); });
    }
}

void tst_readtable_formats::sameRows()
{
    QFETCH(QString, path);
    RecordingSink sink;
    readTable(path, u"Base"_s, sink);
    QCOMPARE(sink.m_rows, m_rows);
}

void tst_readtable_formats::locked_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");

    QTest::newRow("Jet 4 with a database password")
        << variant(u"password.mdb"_s, setPasswordByte) << u"locked: database password"_s;
    QTest::newRow("Jet 4 with encoded pages")
        << variant(u"encoded.mdb"_s, setDatabaseKey) << u"locked: encoded or encrypted pages"_s;
    QTest::newRow("ACE encrypted") << variant(u"encrypted.accdb"_s, [](QByteArray &file) {
        asAce(file, 3);
        setDatabaseKey(file);
    }) << u"locked: encoded or encrypted pages"_s;
    QTest::newRow("ACE with a database password") << variant(u"password.accdb"_s, [](QByteArray &file) {
        asAce(file, 5);
        setPasswordByte(file);
    }) << u"locked: database password"_s;
}

void tst_readtable_formats::locked()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    RecordingSink sink;
    try {
        readTable(path, u"Base"_s, sink);
        QFAIL("read");
    } catch (const DatabaseError &error) {
        QVERIFY2(QString::fromUtf8(error.what()).contains(reason), error.what());
    }
    QVERIFY(sink.m_columns.empty());
    QVERIFY(sink.m_rows.isEmpty());
}

QTEST_GUILESS_MAIN(tst_readtable_formats)
#include "tst_readtable_formats.moc"
