#pragma once

#include <QByteArray>
#include <QStringView>

// Index keys as Jet 4 stores them in ascending indexes: a 7F flag byte, then the value in an order-preserving form.
namespace velkaro::mkbase::jet4 {

QByteArray longKey(qint32 value);

// The key of a text in the General sort order, case-insensitive. Knows blanks, ASCII punctuation, digits, Latin and
// Cyrillic letters; false for any other character.
bool generalTextKey(QStringView text, QByteArray *key);

} // namespace velkaro::mkbase::jet4
