// A hostile controller: every request button pressed, as a user would,
// against a stand-in that answers with generated replies (no JSON, objects
// back to back, a brace, NUL or broken UTF-8 inside, wrong JSON types in
// every place, huge arrays and strings, numbers beyond int, replies in
// pieces, bytes while nothing waits, errors at every step, silence, replies
// that never end). After each case the operation has ended within its
// budget with one of its status texts (the very one a good, refused, silent
// or partial reply calls for), a reply that confirms nothing has not been
// taken for success, the press sent a request, and the next identification
// succeeds; the event loop never stands still for long. Windows
// run side by side, each with its own stand-in, one over a serial line.
// CI runs one fixed seed; HOSTILE_SEED runs another, HOSTILE_CASES sets the
// size.

#include "app/mainwindow.h"
#include "engine/exchange.h"
#include "link/log.h"
#include "params/catalogue.h"
#include "request_framer.h"
#include "support/harness.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QTabWidget>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

using harness::find;
using harness::ok_reply;

namespace {

struct Operation
{
    QByteArray button;
    int tab, budget_ms;          // its tab; how long a silent controller may keep it waiting
    int steps;                   // requests of a good run that the hostile reply may answer
    QStringList success, others; // texts of a good run (none: not looked at); other
                                 // texts it may end with ("…" ends a prefix)
};

const char *const error_values[] = {"error_get", "error_key", "error_save", "error_test", "error_value"};
const QString no_answer = exchange::no_answer_text(), not_enough = exchange::not_enough_data_text();
const QString write_unconfirmed = exchange::write_unconfirmed_text(), command_unconfirmed = "Команда не подтверждена";
const QVector<Operation> operations = {
    {"connect_dev_btn", 0, 2999, 1, {""}, {}},
    {"status_Eth", 0, 200, 1, {}, {}}, // its reply must come within one tick
    {"read_param_btn", 1, 9999, 3, {""}, {}},
    {"write_param_btn", 1, 9999, 3, {"Запись произведена"}, {write_unconfirmed}},
    {"write_settings_btn", 1, 9999, 1, {"Настройки записаны"}, {"Настройки не записаны"}},
    {"compare_settings_btn", 1, 9999, 1, {"Отличий нет", "Отличий нет; …", "Отличий: …"}, {}},
    {"read_dev_btn", 2, 1999, 1, {"Передача завершена"}, {"Устройства отсутствуют"}},
    {"write_dev_btn",
     2,
     9999,
     3,
     {"Запись завершена"},
     {"Запись произведена успешно: …", "Идёт запись приборов: …", write_unconfirmed}},
    {"delete_dev_btn", 2, 9999, 1, {"Удаление произведено успешно"}, {command_unconfirmed}},
    {"req_all_dev", 2, 9999, 1, {"Все устройства успешно опрошены"}, {command_unconfirmed}},
    {"req_one_dev", 2, 9999, 1, {"Устройство успешно опрошено"}, {command_unconfirmed}},
    {"req_ch_btn", 2, 9999, 1, {"Канал успешно опрошен"}, {command_unconfirmed}},
    {"res_to_serv_btn", 2, 9999, 1, {"Опрос с передечай на сервер успешен"}, {command_unconfirmed}},
    {"write_interf_btn", 2, 9999, 1, {"Запись произведена"}, {write_unconfirmed}},
    {"load_in_btn", 3, 10999, 2, {"Файл записан"}, {"Запись файла не подтверждена"}},
    {"load_out_btn",
     3,
     10999,
     1,
     {"Файл записан", "Файл скачен"},
     {"не удалось записать файл", "Скачивание не подтверждено"}},
    {"update_btn", 3, 9999, 1, {"Связь по Eth отключена", "Обновление запущено"}, {command_unconfirmed}},
    {"transmit_server_btn", 3, 9999, 1, {"Передача запущена"}, {command_unconfirmed}},
    {"res_btn", 0, 9999, 1, {""}, {}}, // the serial search, over COM only: the last one
};

// Whether a reply confirms what the operation asked for, read as the
// controller's replies are: JSON up to the first NUL, one object and
// nothing else; data replies whole, without a NUL at all.
bool confirms(const QByteArray &button, int step, const QByteArray &reply)
{
    const int nul = reply.indexOf('\0');
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(nul < 0 ? reply : reply.left(nul), &error);
    const bool object = error.error == QJsonParseError::NoError && document.isObject();
    const bool whole = object && nul < 0;
    const QString result = document.object().value("result").toString();
    const bool refused = std::any_of(std::begin(error_values), std::end(error_values),
                                     [&](const char *value) { return result == QLatin1String(value); });
    if (button == "connect_dev_btn")
        return whole && document.object().contains("fw_id") && document.object().contains("fw_ver")
               && !reply.contains("result");
    if (button == "res_btn")
        return whole && !reply.contains("result");
    if (button == "read_param_btn" || button == "write_settings_btn" || button == "compare_settings_btn")
        return whole && !refused;
    if (button == "read_dev_btn")
        return whole && !document.object().value("devices").toArray().isEmpty();
    if (button == "load_out_btn")
        return reply.endsWith(R"({"result":"ok"})");
    if (button == "load_in_btn" && step == 0) // an error named anywhere refuses the upload
        return result == "ok" && std::none_of(std::begin(error_values), std::end(error_values), [&](const char *value) {
                   return reply.contains(value);
               });
    return object && result == "ok";
}

int operation_index(const QByteArray &button)
{
    const auto named = [&](const Operation &op) { return op.button == button; };
    return int(std::find_if(operations.begin(), operations.end(), named) - operations.begin());
}

// Whether `text` is one of `texts`; one that ends in "…" stands for every
// text it starts.
bool one_of(const QStringList &texts, const QString &text)
{
    return std::any_of(texts.begin(), texts.end(), [&](const QString &one) {
        return one.endsWith(QChar(0x2026)) ? text.startsWith(one.chopped(1)) : text == one;
    });
}

// A value of the type the catalogue gives each key, and "result": "ok": a
// good settings dump, and the settings file a comparison finds equal to it.
QJsonObject parameter_values(const params::Catalogue &catalogue)
{
    QJsonObject values{{"result", "ok"}};
    for (const ParamPage &page : catalogue) {
        for (int row = 0; row < page.size(); ++row) {
            const QString &type = page.types.at(row);
            values.insert(page.keys.at(row), type.contains("Int[]")   ? QJsonValue(QJsonArray{10, 0, 0, 7})
                                             : type.contains("Uart")  ? QJsonValue("19200_8E1")
                                             : type.contains("Itf")   ? QJsonValue("232")
                                             : type.contains("Float") ? QJsonValue(2.5)
                                             : type.contains("Int")   ? QJsonValue(7)
                                                                      : QJsonValue("текст"));
        }
    }
    return values;
}
// A file as a controller keeps it: braces, a result text, a NUL and bytes
// that are not UTF-8, none of which may end or decide the download.
const QByteArray download_content =
    QByteArray("{\"log\":[1,{\"a\":2}]}\n}{\"result\":\"error_key\",\"n\":0}\0\xff}", 52) + QByteArray(300, 'd') + "}";

enum class Kind {
    NotJson,
    BackToBack,
    Inserted,
    WrongTypes,
    Pieces,
    ErrorResult,
    IdleBytes, // fast
    Silence,
    Partial,
    Endless, // each costs the whole budget, or a stream up to the byte limit
    Fixed,   // a regression row's reply
};
const char *const kind_names[] = {"not JSON",         "back to back", "brace, NUL or bad UTF-8 inside",
                                  "wrong types",      "in pieces",    "error result",
                                  "bytes while idle", "silence",      "partial",
                                  "endless",          "fixed"};

struct Case
{
    int op = 0;
    Kind kind = Kind::Fixed;
    int step = 0;     // the request the hostile reply answers
    quint32 seed = 0; // of its replies
    QByteArray fixed; // Kind::Fixed: the reply; a byte 0x01 parts it, "<endless>" ends a stream
    QString expected; // Kind::Fixed: the text it must end with
    int index = 0;
};

// What the stand-in sends for one request: pieces after their pauses, and
// maybe then bytes without a closing brace that never stop.
struct Reply
{
    QVector<QPair<int, QByteArray>> pieces;
    bool endless = false;
};

Reply once(const QByteArray &bytes)
{
    return {{{0, bytes}}, false};
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A value of any JSON type, most of them wrong wherever they land.
QJsonValue hostile_value(QRandomGenerator &rng)
{
    static const double numbers[] = {1e20, -1e20, 2147483648.0, -2147483649.0, 4294967296.0, 0.5, -1.5, 1e308, -0.0};
    QJsonArray array;
    switch (rng.bounded(11)) {
    case 0: return rng.bounded(2) ? QStringLiteral("485") : QString();
    case 1: return QString(1 << 20, rng.bounded(2) ? QLatin1Char('x') : QLatin1Char('}')); // a MiB
    case 2: return numbers[rng.bounded(int(std::size(numbers)))];
    case 3: return bool(rng.bounded(2));
    case 4: return QJsonValue(QJsonValue::Null);
    case 5: return QJsonArray();
    case 6: return QJsonArray{1, "1", QJsonArray{2}, QJsonObject{}};
    case 7: // thousands of entries
        for (int i = 0; i < 5000; ++i)
            array.append(i % 3 ? QJsonValue(i) : QJsonValue(QStringLiteral("232")));
        return array;
    case 8: // nested deep
        array = {1};
        for (int i = 0; i < 200; ++i)
            array = QJsonArray{array};
        return array;
    case 9: return QJsonObject{{"result", "ok"}, {"a", QJsonArray{1e20}}};
    default: return QJsonArray{QJsonObject{}, QJsonValue::Null};
    }
}

// The value with one place in it (a member or element at any depth) given
// a hostile value or removed; now and then every member is replaced.
QJsonValue mutated(const QJsonValue &value, QRandomGenerator &rng, bool root)
{
    if ((!value.isObject() && !value.isArray()) || (!root && rng.bounded(3) == 0))
        return hostile_value(rng);
    if (value.isArray()) {
        QJsonArray array = value.toArray();
        if (array.isEmpty())
            return hostile_value(rng);
        const int at = rng.bounded(array.size());
        array[at] = mutated(array.at(at), rng, false);
        return array;
    }
    QJsonObject object = value.toObject();
    const QStringList keys = object.keys();
    const QString key = keys.isEmpty() ? QStringLiteral("extra") : keys.at(rng.bounded(keys.size()));
    if (rng.bounded(8) == 0) {
        for (const QString &each : keys)
            object.insert(each, hostile_value(rng));
    } else if (rng.bounded(8) == 0) {
        object.remove(key);
    } else {
        object.insert(key, mutated(object.value(key), rng, false));
    }
    return object;
}

Reply hostile_reply(const Case &c, const QByteArray &good, QRandomGenerator &rng, QString *error_value)
{
    // A download's good reply is its file and then the result object.
    const QByteArray file = QJsonDocument::fromJson(good).isObject() ? QByteArray() : good.chopped(ok_reply.size());
    const QByteArray object = good.mid(file.size());
    const int cut = rng.bounded(qMax(1, good.size() - 1)); // a place before the last byte
    Reply reply;
    switch (c.kind) {
    case Kind::NotJson: {
        const QByteArray fixed[] = {"}",
                                    "null}",
                                    "[1,2,{}]}",
                                    "\"result\":\"ok\"}",
                                    "{\"result\":}",
                                    QByteArray(rng.bounded(1, 5000), '{') + '}'};
        QByteArray noise(rng.bounded(300), '\0');
        for (char &byte : noise)
            byte = char(rng.bounded(256));
        return once(rng.bounded(3) ? fixed[rng.bounded(6)] : noise + '}');
    }
    case Kind::BackToBack: {
        const QByteArray others[] = {good, "{}", ok_reply, "\n" + good};
        const QByteArray other = others[rng.bounded(4)];
        return once(rng.bounded(2) ? good + other : other + good);
    }
    case Kind::Inserted: {
        const QByteArray inserted[] = {"}",    "}}",           QByteArray(1, '\0'), QByteArray("\0\0", 2), "\xff",
                                       "\xc3", "\xed\xa0\x80", "\xc0\xaf",          "\xf4\x90\x80\x80"};
        return once(good.left(cut) + inserted[rng.bounded(int(std::size(inserted)))] + good.mid(cut));
    }
    case Kind::WrongTypes:
        return once(file + compact(mutated(QJsonDocument::fromJson(object).object(), rng, true).toObject()));
    case Kind::Pieces: {
        QVector<int> cuts{0, good.size()};
        for (int i = rng.bounded(1, 6); i > 0; --i)
            cuts.append(rng.bounded(good.size() + 1));
        std::sort(cuts.begin(), cuts.end());
        for (int i = 1; i < cuts.size(); ++i)
            reply.pieces.append({rng.bounded(60), good.mid(cuts.at(i - 1), cuts.at(i) - cuts.at(i - 1))});
        return reply;
    }
    case Kind::ErrorResult: {
        *error_value = QString::fromLatin1(error_values[rng.bounded(5)]);
        const QByteArray result = "\"result\":\"" + error_value->toLatin1() + '"';
        const QByteArray forms[] = {"{\"note\":\"" + error_value->toLatin1() + "\"," + result + '}',
                                    file + '{' + result + '}', '{' + result + '}'};
        return once(forms[rng.bounded(3)]);
    }
    case Kind::Silence: return reply;
    case Kind::Partial:
    case Kind::Endless: {
        QByteArray part = good.left(qMax(1, cut));
        while (part.endsWith('}'))
            part.chop(1);
        return {{{0, part.isEmpty() ? QByteArray("{") : part}}, c.kind == Kind::Endless};
    }
    case Kind::Fixed: {
        reply.endless = c.fixed.endsWith("<endless>");
        const QList<QByteArray> parts = c.fixed.chopped(reply.endless ? 9 : 0).split('\x01');
        for (int i = 0; i < parts.size(); ++i)
            reply.pieces.append({i ? 300 : 0, parts.at(i)});
        return reply;
    }
    case Kind::IdleBytes: break;
    }
    return once(good);
}

// The controller's end of one window's link: cuts what arrives into
// requests (an upload's content too, by the size its header announced) and
// sends what `respond` makes of each.
class Peer : public QObject
{
public:
    std::function<Reply(int step, const QByteArray &request)> respond;

    explicit Peer(const QString &serial_path = QString())
    {
        stream.setInterval(0);
        connect(&stream, &QTimer::timeout, this, [this] {
            if (io && io->bytesToWrite() < (256 << 10))
                send(QByteArray("0123456789,\"ab\":[").repeated(4096));
        });
        if (!serial_path.isEmpty()) {
            auto *port = new QSerialPort(serial_path, this);
            if (!port->open(QIODevice::ReadWrite))
                qFatal("the stand-in cannot open %s: %s", qPrintable(serial_path), qPrintable(port->errorString()));
            adopt(port);
        }
        if (!server.listen(QHostAddress::LocalHost, 0))
            qFatal("the stand-in cannot listen on 127.0.0.1: %s", qPrintable(server.errorString()));
        connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *socket = server.nextPendingConnection();
            // A reply goes out at once, not held back for the acknowledgement
            // of the last one.
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            adopt(socket);
        });
    }
    quint16 port() const { return server.serverPort(); }
    void send(const QByteArray &bytes)
    {
        if (io)
            io->write(bytes);
    }
    // Forgets the requests and the replies of the last case.
    void reset()
    {
        ++generation;
        pending = step = 0;
        stream.stop();
        framer.clear();
    }
    void stop_stream() { stream.stop(); }
    // Requests taken since the last reset.
    int requests_taken() const { return step; }
    bool idle() const { return pending == 0 && !stream.isActive() && (!io || io->bytesToWrite() == 0); }

private:
    void adopt(QIODevice *device)
    {
        if (qobject_cast<QTcpSocket *>(io.data()))
            io->deleteLater();
        io = device;
        reset();
        connect(device, &QIODevice::readyRead, this, [this, device] {
            if (device == io)
                take(device->readAll());
        });
    }
    void take(const QByteArray &bytes)
    {
        framer.append(bytes);
        while (framer.has_request()) {
            const QByteArray request = framer.take_request();
            const double content = QJsonDocument::fromJson(request).object().value("fl_size").toDouble();
            if (content > 0 && request.startsWith('{'))
                framer.expect_raw(qint64(content));
            const Reply reply = respond ? respond(step++, request) : Reply();
            int delay = 0;
            for (const auto &piece : reply.pieces)
                later(delay += piece.first, [this, bytes = piece.second] { send(bytes); });
            if (reply.endless)
                later(delay, [this] { stream.start(); });
        }
    }

    // Does `action` after `delay` ms unless the stand-in is reset before.
    void later(int delay, std::function<void()> action)
    {
        ++pending;
        QTimer::singleShot(delay, this, [this, action, of = generation] {
            if (of == generation) {
                --pending;
                action();
            }
        });
    }

    QTcpServer server;
    QPointer<QIODevice> io;
    RequestFramer framer;
    QTimer stream;
    int step = 0, generation = 0, pending = 0;
};

struct Shared
{
    params::Catalogue catalogue;
    QString upload_path, download_base; // a download is saved there, with its extension
    QString settings_path;              // the file a comparison compares with
    QStringList failures;
    int cases = 0;
};

// One window and its stand-in, running their cases one after another: each
// case prepared as a user would, its button pressed, its end judged, and an
// identification after it.
class Lane : harness::Controls
{
public:
    Lane(int number, bool serial, QVector<Case> cases, Shared &shared)
        : number(number), serial(serial), cases(std::move(cases)), shared(shared)
    {
        const QList<QWidget *> before = QApplication::topLevelWidgets();
        window = std::make_unique<MainWindow>();
        window->show();
        for (QWidget *widget : QApplication::topLevelWidgets())
            log = widget->objectName() == QLatin1String("Log") && !before.contains(widget) ? widget : log;
        if (serial) {
            pty = std::make_unique<harness::PtyPair>();
            peer = std::make_unique<Peer>(pty->controller_end());
            if (!harness::open_serial_port(window.get(), pty->program_end()))
                shared.failures << QStringLiteral("the serial port does not open");
        } else {
            peer = std::make_unique<Peer>();
            harness::set_ethernet_address(window.get(), peer->port());
        }
        identify();
    }
    bool finished() const { return !until; }
    // A file transfer under way, whose logging may hold the window up.
    bool transferring() const
    {
        return until && (operation().button == "load_in_btn" || operation().button == "load_out_btn")
               && window->exchange_pending();
    }

    // Moves the lane on once what it waits for has come.
    void step()
    {
        if (until && !until()) {
            if (clock.elapsed() > limit_ms)
                fail(QStringLiteral("still waiting after %1 ms").arg(clock.elapsed()));
        } else if (until) {
            const auto next = then;
            next();
        }
    }

private:
    void click(const char *name, QWidget *in = nullptr)
    {
        harness::click(harness::find<QPushButton>(in ? in : window.get(), name));
    }
    const Operation &operation() const { return operations.at(current.op); }

    void wait(std::function<bool()> condition, qint64 limit, std::function<void()> next)
    {
        until = std::move(condition);
        then = std::move(next);
        limit_ms = limit;
        clock.restart();
        quiet_turns = 0;
    }
    // Whatever the stand-in still sends has reached the idle window: it has
    // been idle for a while and for some turns of the event loop.
    bool settled()
    {
        quiet_turns = peer->idle() ? quiet_turns + 1 : 0;
        if (quiet_turns == 0)
            clock.restart();
        return clock.elapsed() > 30 && quiet_turns > 10;
    }

    void identify()
    {
        peer->reset();
        const QString serial_number = QStringLiteral("LANE-%1").arg(number), version = QString::number(++identities);
        peer->respond = [serial_number, version](int, const QByteArray &) {
            return once(compact({{"serial", serial_number},
                                 {"fw_ver", version},
                                 {"fw_id", "x"},
                                 {"rs_type", QJsonArray{"232", "485", "232", "485", "485", "485", "485", "232"}}}));
        };
        auto *port_button = find<QPushButton>("connect_btn");
        for (int attempt = 0; serial && attempt < 2 && !port_button->text().startsWith("Включено"); ++attempt)
            harness::click(port_button); // the port reopened as a user would, after it was dropped
        click("connect_dev_btn");
        wait([this] { return idle(); }, 15000,
             [this, serial_number, version] {
                 // The log shows records slice by slice, a while in every turn of
                 // the event loop; several logs would hold up the windows' ticks.
                 click("clear_btn", log);
                 if (edit("lineEdit_3")->text() != serial_number || edit("lineEdit_4")->text() != version)
                     fail(QStringLiteral("the identification after it failed: ") + status());
                 else
                     begin_case();
             });
    }

    void begin_case()
    {
        if (next_case == cases.size()) {
            until = nullptr;
            return;
        }
        current = cases.at(next_case++);
        rng.seed(current.seed);
        hostile_used = false;
        hostile_sent.clear();
        prepare();
        peer->reset();
        peer->respond = [this](int at, const QByteArray &request) { return answer(at, request); };
        if (current.kind != Kind::IdleBytes)
            return press();
        QByteArray noise(rng.bounded(1, 200), '\0');
        for (char &byte : noise)
            byte = char(rng.bounded(256));
        peer->send(noise);
        hostile_used = true;
        wait([this] { return settled(); }, 10000, [this] { press(); });
    }

    // What a user does before pressing the operation's button.
    void prepare()
    {
        const QByteArray &button = operation().button;
        find<QTabWidget>("tabWidget")->setCurrentIndex(operation().tab);
        const bool slow = current.kind >= Kind::Silence && current.kind <= Kind::Endless;
        edit("interval_line")->setText(button == "status_Eth" ? "150" : slow ? "100" : "10");
        const auto choose = [this](const char *name, int index) {
            auto *box = find<QComboBox>(name);
            box->setCurrentIndex(index % box->count());
            emit box->activated(box->currentIndex());
        };
        if (button == "read_param_btn" || button == "write_param_btn") {
            const int page = rng.bounded(params::page_count);
            find<QTabWidget>("tabWidget_2")->setCurrentIndex(page);
            click("fiil_flags_btn");
            const char *const tables[] = {"tableWidget", "tableWidget_3", "tableWidget_4", "tableWidget_5"};
            auto *table = find<QTableWidget>(tables[page]);
            for (int row = 0; button == "write_param_btn" && row < shared.catalogue[page].size(); ++row) {
                if (!params::writable(shared.catalogue[page].access.at(row)))
                    qobject_cast<QCheckBox *>(table->cellWidget(row, 0))->setChecked(false);
            }
        } else if (button == "write_dev_btn" || button == "req_one_dev") {
            click("clear_table_btn");
            for (int i = button == "req_one_dev" ? 1 : rng.bounded(1, 4); i > 0; --i) {
                choose("comboBox_2", rng.bounded(100));
                edit("lineEdit_8")->setText(QStringLiteral("SN-%1").arg(i));
                click("set_new_dev_btn");
            }
            find<QTableWidget>("tableWidget_2")->setCurrentCell(0, 0);
        } else if (button == "read_dev_btn" || button == "delete_dev_btn" || button == "req_ch_btn") {
            choose("comboBox", rng.bounded(8));
        } else if (button == "load_out_btn") {
            edit("lineEdit_7")->setText(QStringLiteral("data.l%1").arg(number));
            QFile::remove(download_path());
        }
    }

    void press()
    {
        click(operation().button.constData());
        const qint64 limit = 2 * (operation().budget_ms + 1000 * operation().steps) + 5000;
        wait([this] { return idle(); }, limit,
             [this] {
                 peer->stop_stream();
                 // An exchange of one tick may end, on a busy event loop, before
                 // the stand-in has read its request.
                 wait([this] { return peer->requests_taken() > 0 || clock.elapsed() > 1000; }, 5000,
                      [this] {
                          if (!judge())
                              return;
                          click("clear_btn", log);
                          wait([this] { return settled(); }, 60000, [this] { identify(); });
                      });
             });
    }

    QByteArray good_reply(const QByteArray &request) const
    {
        const QByteArray &button = operation().button;
        if (button == "connect_dev_btn")
            return R"({"serial":"S","fw_ver":"1","fw_id":"2","rs_type":["232","485","485","485","485","485"]})";
        if (button == "status_Eth")
            return R"({"ipconfig":[[10,0,0,5],[10,0,0,1],[255,255,255,0],[10,0,0,2]]})";
        if (button == "res_btn")
            return R"({"serial":"0042"})";
        if (button == "read_dev_btn")
            return R"({"devices":[[1,1,"A1",1,"M",5,1,9600,"n",1],[2,2,"A2",1,"M",6,1,9600,"",0]]})";
        if (button == "load_out_btn")
            return download_content + ok_reply;
        if (button != "read_param_btn" && button != "write_settings_btn" && button != "compare_settings_btn")
            return ok_reply;
        const QJsonObject values = parameter_values(shared.catalogue);
        if (button != "read_param_btn")
            return compact(values);
        QJsonObject asked;
        for (const QJsonValue &key : QJsonDocument::fromJson(request).object().value("params").toArray())
            asked.insert(key.toString(), values.value(key.toString()));
        return compact(asked);
    }

    Reply answer(int at, const QByteArray &request)
    {
        Reply reply = once(good_reply(request));
        if (at == current.step && current.kind != Kind::IdleBytes) {
            hostile_used = true;
            reply = hostile_reply(current, reply.pieces.first().second, rng, &error_value);
        }
        sent.clear();
        for (const auto &piece : reply.pieces)
            sent += piece.second;
        if (at == current.step)
            hostile_sent = sent;
        return reply;
    }

    // The texts this case must end with; none: any text of the operation.
    QStringList expected() const
    {
        const QByteArray &button = operation().button;
        switch (hostile_used ? current.kind : Kind::Pieces) {
        case Kind::Fixed: return {current.expected};
        case Kind::Pieces: return operation().success;
        case Kind::IdleBytes: // every send drops what came before
            return operation().success;
        case Kind::Silence: return {no_answer};
        case Kind::Partial:
        case Kind::Endless: // a network status later than its one tick has no answer
            return button == "status_Eth" ? QStringList{not_enough, no_answer} : QStringList{not_enough};
        case Kind::ErrorResult:
            if (button == "status_Eth")
                return {};
            return {button == "connect_dev_btn" ? not_enough : exchange::error_text(error_value)};
        default: return {};
        }
    }

    bool allowed(const QString &text) const
    {
        QStringList texts = operation().success + operation().others + QStringList{"", no_answer, not_enough};
        if (current.kind == Kind::Fixed)
            texts << current.expected;
        for (const char *error : error_values)
            texts << exchange::error_text(QString::fromLatin1(error));
        return one_of(texts, text);
    }

    int longest_shown_text() const
    {
        int longest = 0;
        for (const QTableWidget *table : window->findChildren<QTableWidget *>()) {
            const QAbstractItemModel *cells = table->model(); // cells never filled have no item
            for (int row = 0; row < cells->rowCount(); ++row) {
                for (int column = 0; column < cells->columnCount(); ++column)
                    longest = qMax(longest, cells->index(row, column).data().toString().size());
            }
        }
        for (const QListWidget *list : window->findChildren<QListWidget *>()) {
            for (int row = 0; row < list->count(); ++row)
                longest = qMax(longest, list->item(row)->text().size());
        }
        return longest;
    }

    QString download_path() const { return shared.download_base + QStringLiteral(".l%1").arg(number); }

    // False when the case failed.
    bool judge()
    {
        ++shared.cases;
        const QString text = status();
        const QStringList wanted = expected();
        QFile saved(download_path());
        const bool refusal_due = wanted.size() == 1 && wanted.first() == exchange::wait_for_operation_text();
        if (peer->requests_taken() == 0 && !refusal_due)
            fail(QStringLiteral("the press sent no request: ") + text.left(200));
        else if (!allowed(text))
            fail(QStringLiteral("a status text the operation does not have: ") + text.left(200));
        else if (hostile_used && current.kind != Kind::IdleBytes && one_of(operation().success, text)
                 && !confirms(operation().button, current.step, hostile_sent))
            fail(QStringLiteral("a success text for a reply that confirms nothing: ") + text.left(200));
        else if (!wanted.isEmpty() && !wanted.contains(text))
            fail(QStringLiteral("\"%1\" where \"%2\" was due").arg(text.left(200), wanted.join("\" or \"")));
        else if (longest_shown_text() > exchange::max_shown_characters)
            fail(QStringLiteral("a text too long to show at once"));
        else if (text == QStringLiteral("Файл записан") && operation().button == "load_out_btn" // the file sent
                 && (!saved.open(QIODevice::ReadOnly) || saved.readAll() != sent.left(sent.size() - ok_reply.size())))
            fail(QStringLiteral("the saved download is not the file sent"));
        return until != nullptr;
    }

    void fail(const QString &what)
    {
        shared.failures << QStringLiteral("lane %1, case %2 (%3, %4, step %5): %6; reply %7; log %8")
                               .arg(number)
                               .arg(current.index)
                               .arg(QString::fromLatin1(operation().button))
                               .arg(QString::fromLatin1(kind_names[int(current.kind)]))
                               .arg(current.step)
                               .arg(what, QString::fromLatin1(sent.left(300).toPercentEncoding(" {}[]\":,._-")),
                                    static_cast<Log *>(log)->plain_text().right(600));
        until = nullptr;
    }

    const int number;
    const bool serial;
    const QVector<Case> cases;
    Shared &shared;
    std::unique_ptr<harness::PtyPair> pty;
    std::unique_ptr<Peer> peer;
    QWidget *log = nullptr;

    std::function<bool()> until; // what the lane waits for; null: finished
    std::function<void()> then;  // and what it does then
    qint64 limit_ms = 0;
    QElapsedTimer clock;
    int quiet_turns = 0, next_case = 0, identities = 0;
    Case current;
    QRandomGenerator rng;
    bool hostile_used = false;
    QString error_value;
    QByteArray sent;         // the reply to the last request
    QByteArray hostile_sent; // and to the one the case is about
};

// The longest turn of the event loop allowed outside a transfer; the
// sanitizers' checks make everything some three times slower.
#ifdef __SANITIZE_ADDRESS__
constexpr qint64 max_stall_ms = 3 * 500;
#else
constexpr qint64 max_stall_ms = 500;
#endif
// The campaign CI runs, so that a red run can be repeated.
constexpr quint32 default_seed = 20261207;

int environment_number(const char *name, int fallback)
{
    const int value = qEnvironmentVariableIntValue(name);
    return value > 0 ? value : fallback;
}

// Cases dealt out to the lanes: every operation's silence, partial and
// endless reply spread evenly, the fast ones at random; the serial search
// and a few other operations to the last lane, over COM.
QVector<QVector<Case>> plan(quint32 seed, int total, int ethernet_lanes)
{
    QRandomGenerator rng(seed);
    const auto make = [&](int op, Kind kind) {
        return Case{op, kind, rng.bounded(operations.at(op).steps), rng.generate(), {}, {}};
    };
    const auto fast = [&] { return Kind(rng.bounded(int(Kind::Silence))); };
    QVector<QVector<Case>> lanes(ethernet_lanes + 1);
    QVector<Case> &serial = lanes.last();
    int dealt = 0;
    for (int op = 0; op < operations.size(); ++op) {
        for (Kind kind : {Kind::Silence, Kind::Partial, Kind::Endless}) {
            // A download streams up to the largest file: a transfer, tested elsewhere.
            if (kind != Kind::Endless || operations.at(op).button != "load_out_btn")
                (op == operations.size() - 1 ? serial : lanes[dealt++ % ethernet_lanes]).append(make(op, kind));
        }
    }
    const QVector<QByteArray> serial_ops = {"res_btn",        "res_btn",     "connect_dev_btn", "req_all_dev",
                                            "read_param_btn", "load_in_btn", "update_btn"};
    while (serial.size() < qMax(60, total / 25))
        serial.append(make(operation_index(serial_ops.at(rng.bounded(serial_ops.size()))), fast()));
    // Fewer cases of two operations: a device-list read lasts its two
    // seconds even when all goes well, and a download whose reply does not
    // end in a result waits for the rest of it.
    for (int cases = dealt + serial.size(); cases < total;) {
        const int op = rng.bounded(operations.size() - 1);
        const QByteArray &button = operations.at(op).button;
        if ((button != "read_dev_btn" && button != "load_out_btn") || !rng.bounded(4))
            lanes[dealt++ % ethernet_lanes].append(make(op, fast())), ++cases;
    }
    int index = 0;
    for (QVector<Case> &lane : lanes) {
        std::shuffle(lane.begin(), lane.end(), rng);
        for (Case &one : lane)
            one.index = index++;
    }
    return lanes;
}

} // namespace

class HostileControllerTest : public QObject
{
    Q_OBJECT

    harness::WorkingDirectory dir;
    Shared shared;

    // Runs the lanes side by side until each has run its cases or failed.
    void run(const QVector<std::shared_ptr<Lane>> &lanes)
    {
        shared.cases = 0;
        // File dialogs are answered as they open, whichever window opened
        // them; every fifth save is cancelled.
        int saves = 0;
        QTimer dialogs;
        connect(&dialogs, &QTimer::timeout, this, [&] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                const bool open = dialog->acceptMode() == QFileDialog::AcceptOpen;
                const bool settings = dialog->windowTitle() == QStringLiteral("Сравнить с файлом");
                harness::answer_file_dialog(dialog, settings      ? shared.settings_path
                                                    : open        ? shared.upload_path
                                                    : ++saves % 5 ? shared.download_base
                                                                  : QString());
            }
        });
        dialogs.start(10);
        // The longest the event loop stood still: nothing shown may freeze
        // the window. The logging of a transfer is measured by the benchmarks.
        QElapsedTimer clock, since_tick;
        qint64 longest_stall = 0, longest_in_transfer = 0;
        bool transfer_before = false;
        QTimer stalls;
        connect(&stalls, &QTimer::timeout, this, [&] {
            const bool transfer_now =
                std::any_of(lanes.begin(), lanes.end(), [](const auto &lane) { return lane->transferring(); });
            qint64 &longest = transfer_before || transfer_now ? longest_in_transfer : longest_stall;
            longest = qMax(longest, since_tick.restart());
            transfer_before = transfer_now;
        });
        clock.start();
        since_tick.start();
        stalls.start(10);
        while (!std::all_of(lanes.begin(), lanes.end(), [](const auto &lane) { return lane->finished(); })) {
            for (const auto &lane : lanes)
                lane->step();
            QTest::qWait(1);
        }
        qInfo("%d cases in %.1f s, longest event-loop stall %lld ms (%lld ms while a transfer ran)", shared.cases,
              clock.elapsed() / 1000.0, longest_stall, longest_in_transfer);
        if (longest_stall >= max_stall_ms)
            shared.failures << QStringLiteral("the event loop stood still for %1 ms").arg(longest_stall);
    }

private slots:
    void initTestCase()
    {
        harness::quiet_file_dialog_warnings();
        dir.copy_data_file(QStringLiteral("parametrs.csv"));
        dir.copy_data_file(QStringLiteral("Models.csv"));
        QFile catalogue(dir.file_path(QStringLiteral("parametrs.csv")));
        QVERIFY(catalogue.open(QIODevice::ReadOnly));
        shared.catalogue = params::read_catalogue(catalogue);
        shared.upload_path = dir.file_path(QStringLiteral("upload.bin"));
        dir.write_file(QStringLiteral("upload.bin"), download_content.repeated(3));
        shared.download_base = dir.file_path(QStringLiteral("download"));
        shared.settings_path = dir.file_path(QStringLiteral("settings.json"));
        dir.write_file(QStringLiteral("settings.json"), compact(parameter_values(shared.catalogue)));
    }

    void campaign()
    {
        const quint32 chosen = quint32(qEnvironmentVariable("HOSTILE_SEED").toUInt());
        const quint32 seed = chosen ? chosen : default_seed;
        const int total = environment_number("HOSTILE_CASES", 3000), lanes = environment_number("HOSTILE_LANES", 12);
        qInfo("hostile campaign: HOSTILE_SEED=%u HOSTILE_CASES=%d HOSTILE_LANES=%d", seed, total, lanes);
        const QVector<QVector<Case>> planned = plan(seed, total, lanes);
        QVector<std::shared_ptr<Lane>> running;
        for (int i = 0; i < planned.size(); ++i)
            running.append(std::make_shared<Lane>(i, i == planned.size() - 1, planned.at(i), shared));
        run(running);
        QVERIFY2(shared.failures.isEmpty(),
                 qPrintable(QStringLiteral("HOSTILE_SEED=%1\n").arg(seed) + shared.failures.join(QLatin1Char('\n'))));
    }

    // Faults the campaign found, kept as they were found.
    void fixed_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<int>("step");
        QTest::addColumn<QByteArray>("reply"); // a byte 0x01: a pause of 300 ms
        QTest::addColumn<QString>("status");
        const QByteArray mib(1 << 20, 'x');
        QByteArray parameters = "{";
        for (const ParamPage &page : shared.catalogue) {
            for (const QString &key : page.keys)
                parameters += '"' + key.toUtf8() + "\":\"" + QByteArray(40000, 'p') + "\",";
        }
        parameters.back() = '}';
        QTest::newRow("stream without end")
            << QByteArray("req_all_dev") << 0 << QByteArray("{\"result\":<endless>") << not_enough;
        QTest::newRow("a whole reply beyond the limit")
            << QByteArray("req_all_dev") << 0 << "{\"a\":\"" + mib.repeated(5) + "\"}" << not_enough;
        QTest::newRow("a MiB-long serial found") << QByteArray("res_btn") << 0 << "{\"serial\":\"" + mib + "\"}"
                                                 << "";
        QTest::newRow("MiB-long device texts")
            << QByteArray("read_dev_btn") << 0
            << "{\"devices\":[[1,1,\"" + mib + "\",1,\"" + mib + "\",1,1,1,\"" + mib + "\",1]]}"
            << "Передача завершена";
        QTest::newRow("long parameter texts") << QByteArray("read_param_btn") << 0 << parameters << "";
        QTest::newRow("upload content not confirmed")
            << QByteArray("load_in_btn") << 1 << QByteArray("{\"result\0\":\"ok\"}", 16)
            << "Запись файла не подтверждена";
        QTest::newRow("download not confirmed")
            << QByteArray("load_out_btn") << 0 << QByteArray("{\"result\":\"busy\"}") << "Скачивание не подтверждено";
        QTest::newRow("download paused after a brace of the file")
            << QByteArray("load_out_btn") << 0
            << download_content.left(19) + '\x01' + download_content.mid(19) + ok_reply << "Файл записан";
        QTest::newRow("settings dump paused after a brace inside a value")
            << QByteArray("write_settings_btn") << 0 << QByteArray("{\"object_name\":\"a}\x01b\",\"n\":{\"m\":1}\x01}")
            << "Настройки записаны";
        QTest::newRow("long parameter texts compared")
            << QByteArray("compare_settings_btn") << 0 << parameters
            << "Отличий: 46; только для чтения: 16; свои для контроллера: 3";
        QTest::newRow("settings dump of two objects")
            << QByteArray("write_settings_btn") << 0 << QByteArray("{\"a\":1}{\"b\":2}") << "Настройки не записаны";
        QTest::newRow("download refused with more members")
            << QByteArray("load_out_btn") << 0 << QByteArray("{\"note\":\"error_value\",\"result\":\"error_value\"}")
            << "Ошибка значения ключа";
    }

    void fixed()
    {
        QFETCH(QByteArray, button);
        QFETCH(int, step);
        QFETCH(QByteArray, reply);
        QFETCH(QString, status);
        shared.failures.clear();
        const Case regression{operation_index(button), Kind::Fixed, step, 0, reply, status};
        run({std::make_shared<Lane>(0, button == "res_btn", QVector<Case>{regression}, shared)});
        QVERIFY2(shared.failures.isEmpty(), qPrintable(shared.failures.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(HostileControllerTest)
#include "tst_hostile_controller.moc"
