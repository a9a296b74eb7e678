#pragma once

#include <QJsonObject>
#include <QString>

// Reads a table with the npm package mdb-reader through node/read_with_mdb_reader.mjs. Fails with a message naming
// the install command when node or the package is missing.
bool readWithMdbReader(const QString &path, const QString &table, QJsonObject *out, QString *error);
