#ifndef PARAMS_CATALOGUE_H
#define PARAMS_CATALOGUE_H

#include <QString>
#include <QStringList>

#include <array>

class QIODevice;

// The parameter catalogue: which keys the controller has, how each one is
// named and typed, whether it may be read or written, and on which of the
// four parameter pages it is shown.

// One page of the catalogue: parallel lists, one entry per row of the
// page's table, in file order.
struct ParamPage
{
    QStringList keys;   // key in requests and replies
    QStringList names;  // display name
    QStringList types;  // type text: String, Int, Float, Int[], Uart, Itf
    QStringList access; // access marks: "R" readable, "W" writable

    int size() const { return keys.size(); }
};

namespace params {

constexpr int page_count = 4;
using Catalogue = std::array<ParamPage, page_count>;
// Whether `page` names one of the pages.
constexpr bool is_page(int page)
{
    return page >= 0 && page < page_count;
}

// Reads catalogue lines "key;name;type;access;page word[;...]". The page
// word decides the page: "Осн" 0, "Сеть" 1, "Интер" 2, "Сервис" 3; a line
// naming two pages is entered on both, a line naming none (a header) and a
// line with fewer than five fields are skipped. The text is decoded in the
// local 8-bit encoding unless it starts with a Unicode byte-order mark.
Catalogue read_catalogue(QIODevice &device);

bool readable(const QString &access);
bool writable(const QString &access);

} // namespace params

#endif // PARAMS_CATALOGUE_H
