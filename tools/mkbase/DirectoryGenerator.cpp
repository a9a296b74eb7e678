#include "DirectoryGenerator.h"

#include <array>
#include <string_view>

namespace velkaro::mkbase {

namespace {

using namespace std::string_view_literals;

constexpr std::array kMaleSurnames = {
    u"ИВАНОВ"sv,
    u"ПЕТРОВ"sv,
    u"СИДОРОВ"sv,
    u"КУЗНЕЦОВ"sv,
    u"СМИРНОВ"sv,
    u"ПОПОВ"sv,
    u"ВАСИЛЬЕВ"sv,
    u"СОКОЛОВ"sv,
    u"МИХАЙЛОВ"sv,
    u"НОВИКОВ"sv,
    u"ФЕДОРОВ"sv,
    u"МОРОЗОВ"sv,
    u"ВОЛКОВ"sv,
    u"АЛЕКСЕЕВ"sv,
    u"ЛЕБЕДЕВ"sv,
    u"СЕМЕНОВ"sv,
    u"ЕГОРОВ"sv,
    u"ПАВЛОВ"sv,
    u"КОЗЛОВ"sv,
    u"СТЕПАНОВ"sv,
    u"НИКОЛАЕВ"sv,
    u"ОРЛОВ"sv,
    u"АНДРЕЕВ"sv,
    u"МАКАРОВ"sv,
    u"НИКИТИН"sv,
    u"ЗАХАРОВ"sv,
    u"ЗАЙЦЕВ"sv,
    u"СОЛОВЬЕВ"sv,
    u"БОРИСОВ"sv,
    u"ЯКОВЛЕВ"sv,
    u"ГРИГОРЬЕВ"sv,
    u"РОМАНОВ"sv,
    u"ВОРОБЬЕВ"sv,
    u"СЕРГЕЕВ"sv,
    u"КУЗЬМИН"sv,
    u"ФРОЛОВ"sv,
    u"ДМИТРИЕВ"sv,
    u"КОРОЛЕВ"sv,
    u"ГУСЕВ"sv,
    u"КИСЕЛЕВ"sv,
    u"ИЛЬИН"sv,
    u"МАКСИМОВ"sv,
    u"ПОЛЯКОВ"sv,
    u"СОРОКИН"sv,
    u"ВИНОГРАДОВ"sv,
    u"КОВАЛЕВ"sv,
    u"БЕЛОВ"sv,
    u"МЕДВЕДЕВ"sv,
    u"АНТОНОВ"sv,
    u"ТАРАСОВ"sv,
    u"ЖУКОВ"sv,
    u"БАРАНОВ"sv,
    u"ФИЛИППОВ"sv,
    u"КОМАРОВ"sv,
    u"ДАВЫДОВ"sv,
    u"БЕЛЯЕВ"sv,
    u"ГЕРАСИМОВ"sv,
    u"БОГДАНОВ"sv,
    u"ОСИПОВ"sv,
    u"ИВАНОВСКИЙ"sv,
    u"ЗАВАДСКИЙ"sv,
    u"ЛЕСНОВСКИЙ"sv,
};

constexpr std::array kInitials = {u'А', u'Б', u'В', u'Г', u'Д', u'Е', u'Ж', u'З', u'И', u'К', u'Л', u'М', u'Н', u'О',
    u'П', u'Р', u'С', u'Т', u'Ф', u'Э', u'Ю', u'Я'};

constexpr std::array kNumberedOrganisations = {
    u"АПТЕКА N "sv,
    u"ШКОЛА N "sv,
    u"ДЕТСКИЙ САД N "sv,
    u"ПОЛИКЛИНИКА N "sv,
    u"ОТДЕЛЕНИЕ СВЯЗИ N "sv,
    u"БИБЛИОТЕКА N "sv,
    u"ЖЭС N "sv,
    u"ПАРИКМАХЕРСКАЯ N "sv,
};

constexpr std::array kNamedOrganisationKinds = {
    u"ООО \""sv, u"ЗАО \""sv, u"МАГАЗИН \""sv, u"КАФЕ \""sv, u"АТЕЛЬЕ \""sv, u"ТОО \""sv};

constexpr std::array kOrganisationNames = {
    u"РОМАШКА"sv,
    u"ВЕКТОР"sv,
    u"СЕВЕР"sv,
    u"ЗАРЯ"sv,
    u"ГОРИЗОНТ"sv,
    u"МЕРИДИАН"sv,
    u"ЛУЧ"sv,
    u"ВОСХОД"sv,
    u"РАССВЕТ"sv,
    u"ТЕХНОСЕРВИС"sv,
    u"СТРОЙМОНТАЖ"sv,
    u"ВОЛНА"sv,
};

constexpr std::array kStreetKinds = {
    u"УЛ. "sv, u"УЛ. "sv, u"УЛ. "sv, u"ПР. "sv, u"ПЕР. "sv, u"НАБ. "sv, u"Ш. "sv, u"БУЛ. "sv};

constexpr std::array kStreetNames = {
    u"САДОВАЯ"sv,
    u"ЛЕНИНА"sv,
    u"ГАГАРИНА"sv,
    u"МИРА"sv,
    u"ПУШКИНА"sv,
    u"ЛЕСНАЯ"sv,
    u"ШКОЛЬНАЯ"sv,
    u"ЗАВОДСКАЯ"sv,
    u"ПОЛЕВАЯ"sv,
    u"НАБЕРЕЖНАЯ"sv,
    u"ПОБЕДЫ"sv,
    u"СОВЕТСКАЯ"sv,
    u"МОЛОДЕЖНАЯ"sv,
    u"ЦЕНТРАЛЬНАЯ"sv,
    u"ЛУГОВАЯ"sv,
    u"РЕЧНАЯ"sv,
    u"КИРОВА"sv,
    u"ЧЕХОВА"sv,
    u"СТРОИТЕЛЕЙ"sv,
    u"ВОКЗАЛЬНАЯ"sv,
    u"ЛИПОВАЯ"sv,
    u"ЖУКОВСКОГО"sv,
    u"ОКТЯБРЬСКАЯ"sv,
    u"ЮБИЛЕЙНАЯ"sv,
};

constexpr std::array kRemarks = {u"АПТЕКА"sv, u"ФАКС"sv, u"ДИСПЕТЧЕР"sv, u"ВАХТА"sv, u"ПРИЕМНАЯ"sv, u"БУХГАЛТЕРИЯ"sv,
    u"ДЕЖУРНЫЙ"sv, u"СПРАВОЧНАЯ"sv, u"ПОСТ ОХРАНЫ"sv, u"РЕГИСТРАТУРА"sv, u"ТОЛЬКО ДНЕМ"sv, u"НЕ ЗВОНИТЬ ПОСЛЕ 22"sv};

template <typename Array> auto pick(const Array &array, quint32 index)
{
    return array[index % array.size()];
}

void appendNumber(std::u16string *out, quint32 value)
{
    char16_t digits[10];
    int count = 0;
    do {
        digits[count++] = char16_t(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0)
        out->push_back(digits[--count]);
}

bool takesFeminineA(std::u16string_view surname)
{
    return surname.ends_with(u"ОВ") || surname.ends_with(u"ЕВ") || surname.ends_with(u"ИН");
}

} // namespace

DirectoryGenerator::DirectoryGenerator(quint64 seed)
    : m_state(seed)
{ }

// splitmix64
quint64 DirectoryGenerator::random()
{
    quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

quint32 DirectoryGenerator::below(quint32 bound)
{
    return quint32(((random() >> 32) * bound) >> 32);
}

void DirectoryGenerator::makeAbonent(std::u16string *out)
{
    out->clear();
    const quint32 kind = below(100);
    if (kind < 78) {
        const std::u16string_view surname = pick(kMaleSurnames, below(kMaleSurnames.size()));
        const bool feminine = below(100) < 45;
        if (feminine && surname.ends_with(u"СКИЙ")) {
            out->append(surname.substr(0, surname.size() - 2));
            out->append(u"АЯ");
        } else {
            out->append(surname);
            if (feminine && takesFeminineA(surname))
                out->push_back(u'А');
        }
        out->push_back(u' ');
        out->push_back(pick(kInitials, below(kInitials.size())));
        out->push_back(u'.');
        if (below(100) < 92) {
            out->push_back(pick(kInitials, below(kInitials.size())));
            out->push_back(u'.');
        }
    } else if (kind < 90) {
        out->append(pick(kNumberedOrganisations, below(kNumberedOrganisations.size())));
        appendNumber(out, 1 + below(120));
    } else {
        out->append(pick(kNamedOrganisationKinds, below(kNamedOrganisationKinds.size())));
        out->append(pick(kOrganisationNames, below(kOrganisationNames.size())));
        out->push_back(u'"');
    }
}

void DirectoryGenerator::makePhone(std::u16string *out)
{
    out->clear();
    const quint32 number = 2000000 + below(8000000);
    const quint32 style = below(100);
    if (style < 8) {
        out->append(u"234-56-78");
        for (int i = 8, rest = int(number); i >= 0; --i) {
            if ((*out)[size_t(i)] == u'-')
                continue;
            (*out)[size_t(i)] = char16_t(u'0' + rest % 10);
            rest /= 10;
        }
        return;
    }
    const quint32 leading = style < 15 ? 1 + below(3) : 0;
    const quint32 trailing = style < 15 ? below(3) : 0;
    out->append(leading, u' ');
    appendNumber(out, number);
    out->append(trailing, u' ');
}

void DirectoryGenerator::makeAddress(std::u16string *out)
{
    out->clear();
    out->append(pick(kStreetKinds, below(kStreetKinds.size())));
    out->append(pick(kStreetNames, below(kStreetNames.size())));
    out->append(u" Д. ");
    appendNumber(out, 1 + below(150));
    if (below(100) < 10)
        out->push_back(u'А');
    if (below(100) < 20) {
        out->append(u" КОРП. ");
        appendNumber(out, 1 + below(6));
    }
    if (below(100) < 80) {
        out->append(u" КВ.");
        appendNumber(out, 1 + below(300));
    }
}

void DirectoryGenerator::next(DirectoryEntry *entry)
{
    makeAbonent(&entry->abonent);
    makePhone(&entry->phone);
    makeAddress(&entry->address);
    if (below(100) < 15) {
        entry->comment.emplace(pick(kRemarks, below(kRemarks.size())));
    } else {
        entry->comment.reset();
    }
    const quint32 type = below(100);
    if (type < 94)
        entry->lineType = qint32(2 + below(69));
    else if (type < 96)
        entry->lineType = 0;
    else if (type < 98)
        entry->lineType = 99;
    else
        entry->lineType.reset();
}

} // namespace velkaro::mkbase
