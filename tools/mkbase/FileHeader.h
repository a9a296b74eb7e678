#pragma once

#include <QByteArray>
#include <QString>

// What page 0 of an Access file says about the file beyond its pages: the engine and format version, the database
// password, whether pages are encoded, whether an ACE file is encrypted.
namespace velkaro::mkbase {

enum class AccessFormat { Jet3, Jet4, Ace12, Ace14, Ace15, Ace16, Ace17 };

// The format as the version byte names it, "ace12" style names for the command line and messages.
quint8 formatVersionByte(AccessFormat format);
QString formatName(AccessFormat format);
bool parseFormatName(const QString &name, AccessFormat *format);

// Makes a Jet 4 file an ACE file of that version: "Standard ACE DB" and the version byte. The pages stay as they
// are: ACE keeps Jet 4's page layout.
void setAceFormat(QByteArray &file, AccessFormat format);

// Stores a database password the way the engine does: in the masked part of the header, Jet 3 as up to 20 bytes,
// Jet 4 and ACE as up to 20 UTF-16 units XORed with the creation date's whole days. Latin-1 characters only.
bool setDatabasePassword(QByteArray &file, const QString &password, QString *error);

// Encodes every page but the header with RC4 under the key `databaseKey XOR page number`, naming the key in the
// header, as the engine does for a Jet 3 or Jet 4 file with "encoded" pages.
void encodePages(QByteArray &file, quint32 databaseKey);

// Marks an ACE file encrypted as Access 2010 and later do: a database key and, at 0x299, the length and agile
// encryption information (version 4.4, an XML key descriptor). The pages are left as they are: without the password
// nobody can read them anyway.
void markAceEncrypted(QByteArray &file);

} // namespace velkaro::mkbase
