#include "database/evaluation/SubstringFinder.h"
#include "support/BothPaths.h"

#include <QTest>

#include <string>

using namespace velkaro::database;

class tst_database_substring : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void find_data();
    void find();
};

void tst_database_substring::find_data()
{
    QTest::addColumn<QByteArray>("haystack");
    QTest::addColumn<QByteArray>("needle");
    QTest::addColumn<int>("from");

    const QByteArray filler = QString(40, u'Ж').toUtf8(); // Cyrillic: D0 96 repeated, longer than a SIMD block
    const QByteArray word = QStringLiteral("ИВАНОВ").toUtf8();
    QTest::newRow("at the start") << word + filler << word << 0;
    QTest::newRow("at the very end") << filler + word << word << 0;
    QTest::newRow("in the tail after the blocks") << filler + filler + QByteArray("x") + word << word << 0;
    QTest::newRow("not there") << filler + filler << word << 0;
    QTest::newRow("one byte short") << filler + word.left(word.size() - 1) << word << 0;
    QTest::newRow("from past the first") << word + filler + word << word << 1;
    QTest::newRow("from exactly at it") << filler + word << word << int(filler.size());
    QTest::newRow("near misses") << filler + QStringLiteral("ИВАНОГ ИВАНОВ").toUtf8() + filler << word << 0;
    QTest::newRow("one byte needle") << filler + QByteArray(".") + filler << QByteArray(".") << 0;
    QTest::newRow("needle longer than text") << word << word + word << 0;
    QTest::newRow("empty text") << QByteArray() << word << 0;
}

void tst_database_substring::find()
{
    QFETCH(QByteArray, haystack);
    QFETCH(QByteArray, needle);
    QFETCH(int, from);
    const std::string text = haystack.toStdString();
    const std::string word = needle.toStdString();
    const SubstringFinder finder(word);
    // Every start position, against the standard library's answer.
    for (std::size_t start = std::size_t(from); start <= text.size(); ++start)
        QCOMPARE(finder.find(text, start), std::string_view(text).find(word, start));
}

int main(int argc, char *argv[])
{
    return velkaro::testing::runOnBothPaths<tst_database_substring>(argc, argv);
}
#include "tst_database_substring.moc"
