#ifndef PARAMETER_STORE_H
#define PARAMETER_STORE_H

#include <QJsonObject>
#include <QJsonValue>
#include <QMap>
#include <QString>

class QIODevice;

// The controller's parameters: one typed value per key, seeded from the
// configurator's catalogue (the same "key;name;type;access;page" lines), so
// that every page the configurator shows can be read and written.
class ParameterStore
{
public:
    // Value types, by the type marks of the catalogue.
    enum class Type { String, Int, Float, IntArray, Uart, Itf };

    // Adds the parameters of a catalogue, each with the default value of its
    // type. Lines with fewer than five fields and lines whose type has no
    // known mark (a header) are skipped. Returns the number added.
    int add_catalogue(QIODevice &catalogue);
    void add(const QString &key, Type type);

    int size() const { return entries.size(); }
    bool contains(const QString &key) const { return entries.contains(key); }
    // The value of `key` in its JSON type; Undefined for an unknown key.
    QJsonValue value(const QString &key) const;
    // Every parameter, as the get-all reply lists them.
    QJsonObject all() const;

    // Stores the members of a write object when every one of them is a known
    // key with a value its type takes, and nothing otherwise. Returns the
    // result code: "ok", "error_key" or "error_value".
    QString write(const QJsonObject &values);

    // The type a catalogue type text stands for; false when it has no mark.
    // A later mark wins, as in the configurator's write ("Int[]" over "Int").
    static bool type_of(const QString &type_text, Type *type);
    // The value of `value` as stored for `type`; Undefined when the type does
    // not take it (an Int[] element may come as a number or a number text).
    static QJsonValue accepted(Type type, const QJsonValue &value);
    static QJsonValue default_value(Type type);

private:
    struct Entry
    {
        Type type;
        QJsonValue value;
    };
    QMap<QString, Entry> entries;
};

#endif // PARAMETER_STORE_H
