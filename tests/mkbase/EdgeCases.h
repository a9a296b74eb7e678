#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Rows of the default directory columns that stress the writer and the CSV reader, with the values each must
// read back as.
struct EdgeCase
{
    const char *name;
    QByteArray csvLine;
    QList<std::optional<QString>> texts; // ABONENT, PHONE, ADDRESS, COMMENT
    std::optional<qint64> lineType;
    bool mdbtoolsReadsExactly = true; // mdbtools turns characters outside the BMP into "??"
};

QList<EdgeCase> edgeCases();

// The CSV holding every edge case in order, after a header that names the columns in another order.
QByteArray edgeCaseCsv();
