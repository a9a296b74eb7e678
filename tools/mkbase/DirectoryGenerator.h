#pragma once

#include <QtGlobal>

#include <optional>
#include <string>

namespace velkaro::mkbase {

// One synthetic entry of a city directory; the strings are reused from entry to entry.
struct DirectoryEntry
{
    std::u16string abonent;
    std::u16string phone;
    std::u16string address;
    std::optional<std::u16string> comment;
    std::optional<qint32> lineType;
};

// Deterministic stream of fictional directory entries: the same seed gives the same entries on every platform.
class DirectoryGenerator
{
public:
    explicit DirectoryGenerator(quint64 seed);
    void next(DirectoryEntry *entry);

private:
    quint64 random();
    quint32 below(quint32 bound);
    void makeAbonent(std::u16string *out);
    void makePhone(std::u16string *out);
    void makeAddress(std::u16string *out);

    quint64 m_state;
};

} // namespace velkaro::mkbase
