#include "ui/ListBoxResults.h"

#include <QListWidget>

namespace velkaro::ui {

ListBoxResults::ListBoxResults(QListWidget &listBox)
    : m_listBox(listBox)
{ }

void ListBoxResults::clear()
{
    m_listBox.clear();
}

void ListBoxResults::append(const QStringList &lines)
{
    m_listBox.addItems(lines);
}

} // namespace velkaro::ui
