#include "params/catalogue.h"

#include <QTextStream>

namespace params {

namespace {

void append_entry(ParamPage &page, const QStringList &fields)
{
    page.keys << fields.at(0);
    page.names << fields.at(1);
    page.types << fields.at(2);
    page.access << fields.at(3);
}

} // namespace

Catalogue read_catalogue(QIODevice &device)
{
    // The page words in the order they are tested, with the page each one
    // stands for; the tests are independent of each other.
    static const struct
    {
        const char *word;
        int page;
    } page_words[] = {{"Осн", 0}, {"Сеть", 1}, {"Сервис", 3}, {"Интер", 2}};

    Catalogue catalogue;
    QTextStream stream(&device);
    while (!stream.atEnd()) {
        const QStringList fields = stream.readLine().split(QLatin1Char(';'));
        if (fields.size() < 5)
            continue;
        const QString &page_field = fields.at(4);
        for (const auto &word : page_words) {
            if (page_field.contains(QString::fromUtf8(word.word)))
                append_entry(catalogue[size_t(word.page)], fields);
        }
    }
    return catalogue;
}

bool readable(const QString &access)
{
    return access.contains(QLatin1Char('R'));
}

bool writable(const QString &access)
{
    return access.contains(QLatin1Char('W'));
}

} // namespace params
