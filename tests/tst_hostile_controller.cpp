// A hostile controller. Every request button of the window is pressed, as a
// user would, against a stand-in controller that answers with generated
// replies: no JSON at all, objects back to back, a closing brace in the
// middle, the right keys with values of every wrong type, huge arrays and
// strings, numbers beyond int, NUL bytes and broken UTF-8, replies in pieces
// with pauses, bytes while nothing waits, error results at every step of the
// multi-step operations, silence, and replies that never end.
//
// After each case the operation must have ended within its budget, the
// status line must hold one of the operation's texts (the very text a good,
// an erroneous, a silent or a partial reply calls for), and the next
// identification must succeed. Several windows, each with its own stand-in,
// run side by side so that their waiting overlaps; one talks over a serial
// line. The seed is printed; HOSTILE_SEED repeats a campaign, HOSTILE_CASES
// sets its size.

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
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QTabWidget>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

using harness::find;

namespace {

// --- The operations --------------------------------------------------------

struct Operation
{
    QByteArray button;
    int tab;             // of the main window
    int budget_ms;       // how long a silent controller may keep it waiting
    int steps;           // requests of a good run the hostile reply may answer
    QStringList success; // texts of a good run (none: not looked at)
    QStringList others;  // further texts it may end with; "…" ends a prefix
};

const QString no_answer = exchange::no_answer_text();
const QString not_enough = exchange::not_enough_data_text();
const QString eth_dropped = QStringLiteral("Связь по Eth отключена");

const QVector<Operation> operations = {
    {"connect_dev_btn", 0, 2999, 1, {""}, {}},
    {"status_Eth", 0, 100, 1, {}, {}}, // the reply must come within one tick
    {"read_param_btn", 1, 9999, 3, {""}, {}},
    {"write_param_btn", 1, 9999, 3, {"Запись произведена"}, {}},
    {"write_settings_btn", 1, 9999, 1, {"Настройки записаны"}, {"Настройки не записаны"}},
    {"read_dev_btn", 2, 1999, 1, {"Передача завершена"}, {"Устройства отсутствуют"}},
    {"write_dev_btn", 2, 9999, 3, {"Запись завершена"},
     {"Запись произведена успешно: …", "Идёт запись приборов: …", "Запись прервана: нет подтверждения записи"}},
    {"delete_dev_btn", 2, 9999, 1, {"Удаление произведено успешно"}, {}},
    {"req_all_dev", 2, 9999, 1, {"Все устройства успешно опрошены"}, {}},
    {"req_one_dev", 2, 9999, 1, {"Устройство успешно опрошено"}, {}},
    {"req_ch_btn", 2, 9999, 1, {"Канал успешно опрошен"}, {}},
    {"res_to_serv_btn", 2, 9999, 1, {"Опрос с передечай на сервер успешен"}, {}},
    {"write_interf_btn", 2, 9999, 1, {"Запись произведена"}, {}},
    {"load_in_btn", 3, 10999, 2, {"Файл записан"}, {"Запись файла не подтверждена"}},
    {"load_out_btn", 3, 10999, 1, {"Файл записан", "Файл скачен"}, {"не удалось записать файл", "Скачивание не подтверждено"}},
    {"update_btn", 3, 9999, 1, {eth_dropped, "Обновление запущено"}, {}},
    {"transmit_server_btn", 3, 9999, 1, {"Передача запущена"}, {}},
    {"res_btn", 0, 9999, 1, {""}, {}}, // the serial search: over COM only
};

int operation_index(const QByteArray &button)
{
    for (int i = 0; i < operations.size(); ++i) {
        if (operations.at(i).button == button)
            return i;
    }
    return -1;
}

const QByteArray ok = R"({"result":"ok"})";
const char *const error_values[] = {"error_get", "error_key", "error_save", "error_test", "error_value"};
// A file as the controller keeps it: braces, a result text, a NUL and
// bytes that are not UTF-8, none of which may end or decide the download.
const QByteArray download_content = QByteArray("{\"log\":[1,{\"a\":2}]}\n}{\"result\":\"error_key\",\"n\":0}\0\xff}", 52)
                                    + QByteArray(300, 'd') + "}";

// --- Replies ---------------------------------------------------------------

enum class Kind {
    NotJson, BackToBack, BraceInside, WrongTypes, BrokenText, Pieces, ErrorResult, IdleBytes, // fast
    Silence, Partial, Endless, // each costs the operation's whole budget or a stream
    Fixed,                     // a reply given by a regression row
};
const char *const kind_names[] = {"not JSON", "back to back", "brace inside", "wrong types", "NUL or bad UTF-8",
                                  "in pieces", "error result", "bytes while idle", "silence", "partial",
                                  "endless", "fixed"};

struct Case
{
    int op = 0;
    Kind kind = Kind::Fixed;
    int step = 0;          // the request the hostile reply answers
    quint32 seed = 0;      // of the generated replies
    QByteArray fixed;      // Kind::Fixed: the reply
    QString expected;      // Kind::Fixed: the text it must end with
    int index = 0;
};

// What the stand-in sends for one request: pieces, each after its pause,
// or bytes without a closing brace that never stop.
struct Reply
{
    QVector<QPair<int, QByteArray>> pieces;
    bool endless = false;
};

Reply once(const QByteArray &bytes)
{
    return {{{0, bytes}}, false};
}

// A reply of a regression row: a byte 0x01 parts it, "<endless>" at its end
// goes on without end.
Reply fixed_reply(QByteArray bytes)
{
    Reply reply;
    reply.endless = bytes.endsWith("<endless>");
    bytes.chop(reply.endless ? 9 : 0);
    const QList<QByteArray> parts = bytes.split('\x01');
    for (int i = 0; i < parts.size(); ++i)
        reply.pieces.append({i ? 300 : 0, parts.at(i)});
    return reply;
}

QByteArray compact(const QJsonValue &value)
{
    return value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                           : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
}

QByteArray random_bytes(QRandomGenerator &rng, int size)
{
    QByteArray bytes(size, '\0');
    for (char &byte : bytes)
        byte = char(rng.bounded(256));
    return bytes;
}

// A value of any JSON type, most of them wrong wherever they land.
QJsonValue hostile_value(QRandomGenerator &rng)
{
    static const double numbers[] = {1e20, -1e20, 2147483648.0, -2147483649.0, 4294967296.0, 9007199254740993.0,
                                     0.5, -1.5, 1e308, -0.0, 256, -1};
    switch (rng.bounded(12)) {
    case 0: return QStringLiteral("485");
    case 1: return QString();
    case 2: return QString(1 << 20, rng.bounded(2) ? QLatin1Char('x') : QLatin1Char('}')); // a MiB
    case 3: return numbers[rng.bounded(int(std::size(numbers)))];
    case 4: return bool(rng.bounded(2));
    case 5: return QJsonValue(QJsonValue::Null);
    case 6: return QJsonArray();
    case 7: return QJsonArray{1, "1", QJsonArray{2}};
    case 8: { // thousands of entries
        QJsonArray long_array;
        for (int i = 0; i < 5000; ++i)
            long_array.append(i % 3 ? QJsonValue(i) : QJsonValue(QStringLiteral("232")));
        return long_array;
    }
    case 9: { // nested deep
        QJsonArray nested{1};
        for (int i = 0; i < 200; ++i)
            nested = QJsonArray{nested};
        return nested;
    }
    case 10: return QJsonObject{{"result", "ok"}, {"a", QJsonArray{1}}};
    default: return QJsonArray{QJsonObject{}, QJsonValue::Null, 1e20};
    }
}

// The value with one place in it (a member, an element, deeper down) given
// a hostile value, removed or, now and then, every member replaced.
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
    if (keys.isEmpty() || rng.bounded(10) == 0) {
        object.insert(QStringLiteral("extra"), hostile_value(rng));
    } else if (rng.bounded(6) == 0) {
        for (const QString &key : keys)
            object.insert(key, hostile_value(rng));
    } else {
        const QString key = keys.at(rng.bounded(keys.size()));
        if (rng.bounded(8) == 0)
            object.remove(key);
        else
            object.insert(key, mutated(object.value(key), rng, false));
    }
    return object;
}

// The good reply's bytes before its closing JSON object, and the object:
// a download's content stays as it is.
QPair<QByteArray, QByteArray> split_tail(const QByteArray &good)
{
    const int tail = QJsonDocument::fromJson(good).isObject() ? good.size() : int(ok.size());
    return {good.left(good.size() - tail), good.right(tail)};
}

Reply hostile_reply(Kind kind, const QByteArray &good, QRandomGenerator &rng, QString *error_value)
{
    const int cut = rng.bounded(qMax(1, good.size() - 1)); // a place before the last byte
    switch (kind) {
    case Kind::NotJson: {
        static const QByteArray fixed[] = {"}", "null}", "[1,2,{}]}", "\"result\":\"ok\"}", "{\"result\":}"};
        const int pick = rng.bounded(7);
        if (pick == 5)
            return once(random_bytes(rng, rng.bounded(300)) + '}');
        if (pick == 6)
            return once(QByteArray(rng.bounded(1, 5000), '{') + '}');
        return once(fixed[pick]);
    }
    case Kind::BackToBack: {
        const QByteArray others[] = {good, "{}", ok, "\n" + good};
        const QByteArray other = others[rng.bounded(4)];
        return once(rng.bounded(2) ? good + other : other + good);
    }
    case Kind::BraceInside:
        return once(good.left(cut) + '}' + good.mid(cut));
    case Kind::WrongTypes: {
        const auto [content, tail] = split_tail(good);
        return once(content + compact(mutated(QJsonDocument::fromJson(tail).object(), rng, true)));
    }
    case Kind::BrokenText: {
        static const QByteArray broken[] = {QByteArray(1, '\0'), "\xff", "\xc3", "\xed\xa0\x80", "\xc0\xaf",
                                            "\xf4\x90\x80\x80", QByteArray("\0\0\0", 3)};
        return once(good.left(cut) + broken[rng.bounded(int(std::size(broken)))] + good.mid(cut));
    }
    case Kind::Pieces: {
        QVector<int> cuts{0, good.size()};
        for (int i = rng.bounded(1, 6); i > 0; --i)
            cuts.append(rng.bounded(good.size() + 1));
        std::sort(cuts.begin(), cuts.end());
        Reply reply;
        for (int i = 1; i < cuts.size(); ++i)
            reply.pieces.append({rng.bounded(120), good.mid(cuts.at(i - 1), cuts.at(i) - cuts.at(i - 1))});
        return reply;
    }
    case Kind::ErrorResult: {
        *error_value = QString::fromLatin1(error_values[rng.bounded(5)]);
        const QByteArray result = "\"result\":\"" + error_value->toLatin1() + '"';
        switch (rng.bounded(3)) {
        case 0: return once("{\"note\":\"" + error_value->toLatin1() + "\"," + result + '}');
        case 1: return once(split_tail(good).first + '{' + result + '}');
        default: return once('{' + result + '}');
        }
    }
    case Kind::Silence:
        return {};
    case Kind::Partial:
    case Kind::Endless: {
        QByteArray part = good.left(qMax(1, cut));
        while (part.endsWith('}'))
            part.chop(1);
        return {{{0, part.isEmpty() ? QByteArray("{") : part}}, kind == Kind::Endless};
    }
    case Kind::IdleBytes:
    case Kind::Fixed:
        break;
    }
    return once(good);
}

// --- The stand-in controller ------------------------------------------------

// The controller's end of one window's link. It cuts what arrives into
// requests (an upload's content too, by the size its header announced) and
// sends what `respond` makes of each.
class Peer : public QObject
{
public:
    std::function<Reply(int step, const QByteArray &request)> respond;

    Peer()
    {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] { adopt(server.nextPendingConnection()); });
        init_stream();
    }
    explicit Peer(const QString &serial_path)
    {
        auto *port = new QSerialPort(serial_path, this);
        port->open(QIODevice::ReadWrite);
        adopt(port);
        init_stream();
    }
    quint16 port() const { return server.serverPort(); }
    void send(const QByteArray &bytes)
    {
        if (io)
            io->write(bytes);
    }
    // Forgets the requests and replies of the last case.
    void reset()
    {
        ++generation;
        pieces_left = 0;
        stream.stop();
        framer.clear();
        step = 0;
    }
    void stop_stream() { stream.stop(); }
    bool idle() const { return pieces_left == 0 && !stream.isActive() && (!io || io->bytesToWrite() == 0); }

private:
    void init_stream()
    {
        stream.setInterval(0);
        connect(&stream, &QTimer::timeout, this, [this] {
            if (io && io->bytesToWrite() < (256 << 10))
                send(QByteArray("0123456789,\"ab\":[").repeated(4096));
        });
    }
    void adopt(QIODevice *device)
    {
        if (io && qobject_cast<QTcpSocket *>(io.data()))
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
            const qint64 content = qint64(QJsonDocument::fromJson(request).object().value("fl_size").toDouble());
            if (content > 0 && request.startsWith('{'))
                framer.expect_raw(content);
            const Reply reply = respond ? respond(step++, request) : Reply();
            pieces_left += reply.pieces.size();
            play(reply.pieces, generation);
            if (reply.endless)
                stream.start();
        }
    }
    void play(QVector<QPair<int, QByteArray>> pieces, int of_generation)
    {
        if (pieces.isEmpty() || of_generation != generation)
            return;
        const auto piece = pieces.takeFirst();
        QTimer::singleShot(piece.first, this, [this, piece, pieces, of_generation] {
            if (of_generation != generation)
                return;
            --pieces_left;
            send(piece.second);
            play(pieces, of_generation);
        });
    }

    QTcpServer server;
    QPointer<QIODevice> io;
    RequestFramer framer;
    QTimer stream;
    int step = 0;
    int generation = 0;
    int pieces_left = 0;
};

// --- A window and its stand-in, running cases one after another ------------

struct Shared
{
    params::Catalogue catalogue;
    QString upload_path;
    QString download_base; // the download is saved here, with its extension
    QStringList failures;
    int cases_run = 0;
};

class Lane
{
public:
    Lane(int number, bool serial, QVector<Case> cases, Shared &shared)
        : number(number), serial(serial), cases(std::move(cases)), shared(shared)
    {
        const QList<QWidget *> before = QApplication::topLevelWidgets();
        window = std::make_unique<MainWindow>();
        window->show();
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String("Log") && !before.contains(widget))
                log = widget;
        }
        if (serial) {
            pty = std::make_unique<harness::PtyPair>();
            if (!QTest::qWaitFor([this] { return pty->ready(); }, 5000)) {
                fail(QStringLiteral("no pseudo-terminal pair"));
                return;
            }
            peer = std::make_unique<Peer>(pty->controller_end());
            harness::click(find<QRadioButton>(window.get(), "radioButton"));
            auto *ports = find<QComboBox>(window.get(), "name_box");
            ports->addItem(pty->program_end());
            ports->setCurrentIndex(ports->count() - 1);
        } else {
            peer = std::make_unique<Peer>();
            edit("lineEdit")->setText(QStringLiteral("127.0.0.1"));
            edit("lineEdit_2")->setText(QString::number(peer->port()));
        }
        identify();
    }
    bool finished() const { return phase == Phase::Finished; }

    // Moves the lane on by what its window has done since the last call.
    void step()
    {
        const qint64 waited = clock.elapsed();
        switch (phase) {
        case Phase::Ready:
            return next < cases.size() ? begin_case() : void(phase = Phase::Finished);
        case Phase::IdleBytes:
            if (settled(waited))
                press();
            return;
        case Phase::Running:
            if (window->exchange_pending()) {
                if (waited > limit_ms())
                    fail(QStringLiteral("still waiting after %1 ms").arg(waited));
                return;
            }
            peer->stop_stream();
            judge(waited);
            clear_log();
            clock.restart();
            quiet_turns = 0;
            phase = phase == Phase::Finished ? phase : Phase::Settling;
            return;
        case Phase::Settling:
            if (settled(waited))
                identify();
            return;
        case Phase::Identifying:
            if (window->exchange_pending()) {
                if (waited > 15000)
                    fail(QStringLiteral("identification still waiting"));
                return;
            }
            if (edit("lineEdit_4")->text() != QString::number(identities)
                || edit("lineEdit_3")->text() != serial_number())
                return fail(QStringLiteral("the identification after it failed: ") + status());
            clear_log();
            phase = Phase::Ready;
            return;
        case Phase::Finished:
            return;
        }
    }

    // The case running, for the report of a stall.
    QString running_case() const
    {
        return phase == Phase::Running ? QStringLiteral("%1 %2").arg(QString::fromLatin1(operation().button),
                                                                     QString::fromLatin1(kind_names[int(current.kind)]))
                                       : QString();
    }

private:
    enum class Phase { Identifying, Ready, IdleBytes, Running, Settling, Finished };

    // Whatever the stand-in still sends has reached the idle window: it has
    // been idle for a while and for some turns of the event loop.
    bool settled(qint64 waited)
    {
        quiet_turns = peer->idle() ? quiet_turns + 1 : 0;
        if (quiet_turns == 0)
            clock.restart();
        return waited > 100 && quiet_turns > 20;
    }

    QLineEdit *edit(const char *name) { return find<QLineEdit>(window.get(), name); }
    void click(const char *name) { harness::click(find<QPushButton>(window.get(), name)); }
    QString status() { return find<QLabel>(window.get(), "label")->text(); }
    QString serial_number() const { return QStringLiteral("LANE-%1").arg(number); }
    QString download_path() const { return shared.download_base + QStringLiteral(".l%1").arg(number); }
    const Operation &operation() const { return operations.at(current.op); }
    bool slow() const { return current.kind >= Kind::Silence && current.kind <= Kind::Endless; }
    qint64 limit_ms() const { return 2 * (operation().budget_ms + 1000 * operation().steps) + 5000; }

    // Each window's log shows its records slice by slice, a while every
    // turn of the event loop; with several windows in one process that
    // would hold up the others' ticks, and the log is not what is tested.
    void clear_log() { harness::click(find<QPushButton>(log, "clear_btn")); }

    void identify()
    {
        peer->reset();
        ++identities;
        peer->respond = [this](int, const QByteArray &) {
            QJsonObject identity{{"serial", serial_number()}, {"fw_ver", QString::number(identities)},
                                 {"fw_id", "hostile"}};
            identity.insert("rs_type", QJsonArray{"232", "485", "232", "485", "485", "485", "485", "232"});
            return once(compact(identity));
        };
        auto *port_button = find<QPushButton>(window.get(), "connect_btn");
        for (int attempt = 0; serial && attempt < 2 && !port_button->text().startsWith("Включено"); ++attempt)
            harness::click(port_button); // reopened as a user would, after the port was dropped
        click("connect_dev_btn");
        clock.restart();
        phase = Phase::Identifying;
    }

    void begin_case()
    {
        current = cases.at(next++);
        rng.seed(current.seed);
        hostile_used = false;
        error_value.clear();
        last_hostile.clear();
        prepare();
        peer->reset();
        peer->respond = [this](int at, const QByteArray &request) { return answer(at, request); };
        if (current.kind == Kind::IdleBytes) {
            peer->send(random_bytes(rng, rng.bounded(1, 200)));
            hostile_used = true;
            clock.restart();
            quiet_turns = 0;
            phase = Phase::IdleBytes;
            return;
        }
        press();
    }

    // What a user does before pressing the operation's button.
    void prepare()
    {
        const QByteArray &button = operation().button;
        find<QTabWidget>(window.get(), "tabWidget")->setCurrentIndex(operation().tab);
        // The network status waits one tick only.
        const bool one_tick = button == "status_Eth";
        edit("interval_line")->setText(one_tick ? QStringLiteral("300") : slow() ? QStringLiteral("100") : QStringLiteral("10"));
        if (button == "read_param_btn" || button == "write_param_btn") {
            const int page = rng.bounded(params::page_count);
            find<QTabWidget>(window.get(), "tabWidget_2")->setCurrentIndex(page);
            click("fiil_flags_btn");
            static const char *const tables[] = {"tableWidget", "tableWidget_3", "tableWidget_4", "tableWidget_5"};
            auto *table = find<QTableWidget>(window.get(), tables[page]);
            const ParamPage &rows = shared.catalogue[page];
            for (int row = 0; button == "write_param_btn" && row < rows.size(); ++row) {
                if (!params::writable(rows.access.at(row)))
                    qobject_cast<QCheckBox *>(table->cellWidget(row, 0))->setChecked(false);
            }
        } else if (button == "write_dev_btn" || button == "req_one_dev") {
            click("clear_table_btn");
            auto *models = find<QComboBox>(window.get(), "comboBox_2");
            for (int i = button == "req_one_dev" ? 1 : rng.bounded(1, 4); i > 0; --i) {
                models->setCurrentIndex(rng.bounded(models->count()));
                emit models->activated(models->currentIndex());
                edit("lineEdit_8")->setText(QStringLiteral("SN-%1-%2").arg(i).arg(rng.bounded(1000)));
                click("set_new_dev_btn");
            }
            find<QTableWidget>(window.get(), "tableWidget_2")->setCurrentCell(0, 0);
        } else if (button == "read_dev_btn" || button == "delete_dev_btn" || button == "req_ch_btn") {
            auto *channels = find<QComboBox>(window.get(), "comboBox");
            channels->setCurrentIndex(rng.bounded(channels->count()));
            emit channels->activated(channels->currentIndex());
        } else if (button == "load_out_btn") {
            edit("lineEdit_7")->setText(QStringLiteral("data.l%1").arg(number));
            QFile::remove(download_path());
        }
    }

    void press()
    {
        clock.restart();
        phase = Phase::Running;
        click(operation().button.constData());
    }

    QByteArray good_reply(const QByteArray &request) const
    {
        const QByteArray &button = operation().button;
        const QJsonObject asked = QJsonDocument::fromJson(request).object();
        if (button == "connect_dev_btn")
            return R"({"serial":"S","fw_ver":"1","fw_id":"2","rs_type":["232","485","485","485","485","485","485","485"]})";
        if (button == "status_Eth")
            return R"({"ipconfig":[[10,0,0,5],[10,0,0,1],[255,255,255,0],[10,0,0,2]]})";
        if (button == "res_btn")
            return R"({"serial":"0042"})";
        if (button == "read_dev_btn")
            return R"({"devices":[[1,1,"A1",1,"M",5,1,9600,"n",1],[2,2,"A2",1,"M",6,1,9600,"",0]]})";
        if (button == "load_out_btn")
            return download_content + ok;
        if (button != "read_param_btn" && button != "write_settings_btn")
            return ok;
        // Parameter values of the types the catalogue gives their keys.
        QJsonObject values;
        for (const ParamPage &page : shared.catalogue) {
            for (int row = 0; row < page.size(); ++row) {
                const QString &type = page.types.at(row);
                values.insert(page.keys.at(row), type.contains("Int[]") ? QJsonValue(QJsonArray{10, 0, 0, 7})
                                                 : type.contains("Uart")  ? QJsonValue("19200_8E1")
                                                 : type.contains("Itf")   ? QJsonValue("232")
                                                 : type.contains("Float") ? QJsonValue(2.5)
                                                 : type.contains("Int")   ? QJsonValue(7)
                                                                          : QJsonValue("текст"));
            }
        }
        if (button == "write_settings_btn") {
            values.insert("result", "ok");
            return compact(values);
        }
        QJsonObject reply;
        for (const QJsonValue &key : asked.value("params").toArray())
            reply.insert(key.toString(), values.value(key.toString()));
        return compact(reply);
    }

    Reply answer(int at, const QByteArray &request)
    {
        Reply reply = once(good_reply(request));
        if (at == current.step && current.kind == Kind::Fixed)
            reply = fixed_reply(current.fixed);
        else if (at == current.step && current.kind != Kind::IdleBytes)
            reply = hostile_reply(current.kind, reply.pieces.first().second, rng, &error_value);
        sent_reply.clear();
        for (const auto &piece : reply.pieces)
            sent_reply += piece.second;
        if (at == current.step) {
            hostile_used = true;
            last_hostile = sent_reply;
        }
        return reply;
    }

    // The texts this case must end with; none: any text of the operation.
    QStringList expected() const
    {
        const QByteArray &button = operation().button;
        if (current.kind == Kind::Fixed)
            return {current.expected};
        if (!hostile_used || current.kind == Kind::Pieces)
            return operation().success;
        switch (current.kind) {
        case Kind::IdleBytes: // the one request that keeps earlier bytes
            return button == "write_interf_btn" ? QStringList() : operation().success;
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
        if (text.isEmpty() || text == no_answer || text == not_enough || operation().success.contains(text))
            return true;
        for (const char *error : error_values) {
            if (text == exchange::error_text(QString::fromLatin1(error)))
                return true;
        }
        for (const QString &other : operation().others) {
            if (other.endsWith(QChar(0x2026)) ? text.startsWith(other.chopped(1)) : text == other)
                return true;
        }
        return false;
    }

    void judge(qint64 waited)
    {
        ++shared.cases_run;
        const QString text = status();
        const QStringList wanted = expected();
        QString fault;
        if (!allowed(text))
            fault = QStringLiteral("a status text the operation does not have");
        else if (!wanted.isEmpty() && !wanted.contains(text))
            fault = QStringLiteral("expected \"%1\"").arg(wanted.join(QStringLiteral("\" or \"")));
        else if (longest_shown_text() > exchange::max_shown_characters)
            fault = QStringLiteral("a text too long to show at once");
        else if (operation().button == "load_out_btn" && text == QStringLiteral("Файл записан")) {
            // Saved is the file the stand-in sent, without its closing result.
            QFile saved(download_path());
            if (!saved.open(QIODevice::ReadOnly) || saved.readAll() != sent_reply.left(sent_reply.size() - ok.size()))
                fault = QStringLiteral("the saved download is not the file sent");
        }
        if (!fault.isEmpty())
            fail(QStringLiteral("%1 (%2 ms): status \"%3\"").arg(fault).arg(waited).arg(text.left(200)));
    }

    int longest_shown_text() const
    {
        int longest = 0;
        for (const QTableWidget *table : window->findChildren<QTableWidget *>()) {
            for (int row = 0; row < table->rowCount(); ++row) {
                for (int column = 0; column < table->columnCount(); ++column)
                    longest = qMax(longest, table->item(row, column) ? table->item(row, column)->text().size() : 0);
            }
        }
        for (const QListWidget *list : window->findChildren<QListWidget *>()) {
            for (int row = 0; row < list->count(); ++row)
                longest = qMax(longest, list->item(row)->text().size());
        }
        return longest;
    }

    void fail(const QString &what)
    {
        QByteArray reply = last_hostile.left(300).toPercentEncoding(" {}[]\":,._-");
        shared.failures << QStringLiteral("lane %1, case %2 (%3, %4, step %5): %6; reply %7; log %8")
                               .arg(number).arg(current.index).arg(QString::fromLatin1(operation().button))
                               .arg(QString::fromLatin1(kind_names[int(current.kind)])).arg(current.step)
                               .arg(what, QString::fromLatin1(reply), static_cast<Log *>(log)->plain_text().right(600));
        phase = Phase::Finished;
    }

    const int number;
    const bool serial;
    const QVector<Case> cases;
    Shared &shared;
    std::unique_ptr<harness::PtyPair> pty;
    std::unique_ptr<Peer> peer;
    std::unique_ptr<MainWindow> window;
    QWidget *log = nullptr;

    Phase phase = Phase::Identifying;
    QElapsedTimer clock;
    int next = 0;
    int identities = 0;
    int quiet_turns = 0;
    Case current;
    QRandomGenerator rng;
    bool hostile_used = false;
    QString error_value;
    QByteArray last_hostile;
    QByteArray sent_reply; // to the last request
};

// --- The campaign -----------------------------------------------------------

int environment_number(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariable(name).toInt(&ok);
    return ok && value > 0 ? value : fallback;
}

// Cases dealt out to the lanes: every operation's slow cases (silence, a
// partial reply, an endless one) spread evenly, the fast ones at random.
QVector<QVector<Case>> plan(quint32 seed, int total, int ethernet_lanes)
{
    QRandomGenerator rng(seed);
    QVector<Case> slow, fast;
    const QVector<QByteArray> serial_ops = {"res_btn", "res_btn", "res_btn", "connect_dev_btn", "req_all_dev",
                                            "read_param_btn", "load_in_btn", "update_btn"};
    const auto make = [&](int op, Kind kind) {
        Case made{op, kind, rng.bounded(operations.at(op).steps), rng.generate(), {}, {}, 0};
        return made;
    };
    // The serial search (the last operation) runs over COM only.
    QVector<Case> serial_cases;
    for (int op = 0; op < operations.size(); ++op) {
        for (Kind kind : {Kind::Silence, Kind::Partial, Kind::Endless})
            (op == operations.size() - 1 ? serial_cases : slow).append(make(op, kind));
    }
    const int serial_total = qMax(60, total / 25);
    while (serial_cases.size() < serial_total)
        serial_cases.append(make(operation_index(serial_ops.at(rng.bounded(serial_ops.size()))),
                                 Kind(rng.bounded(int(Kind::Silence)))));
    // The device-list read lasts its two seconds even when all goes well.
    while (slow.size() + fast.size() + serial_cases.size() < total) {
        const int op = rng.bounded(operations.size() - 1);
        if (operations.at(op).button != "read_dev_btn" || rng.bounded(4) == 0)
            fast.append(make(op, Kind(rng.bounded(int(Kind::Silence)))));
    }
    QVector<QVector<Case>> lanes(ethernet_lanes + 1);
    for (int i = 0; i < slow.size(); ++i)
        lanes[i % ethernet_lanes].append(slow.at(i));
    for (int i = 0; i < fast.size(); ++i)
        lanes[(i + slow.size()) % ethernet_lanes].append(fast.at(i));
    lanes.last() = serial_cases;
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
    void run(QVector<std::shared_ptr<Lane>> lanes)
    {
        shared.cases_run = 0;
        // The file dialogs are answered as they open, whichever window
        // opened them; every fifth save is cancelled.
        int saves = 0;
        QTimer dialogs;
        connect(&dialogs, &QTimer::timeout, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (dialog->acceptMode() == QFileDialog::AcceptOpen)
                return harness::answer_file_dialog(dialog, shared.upload_path);
            harness::answer_file_dialog(dialog, ++saves % 5 ? shared.download_base : QString());
        });
        dialogs.start(10);
        // The longest the event loop stood still: a reply shown must not
        // freeze the window.
        QElapsedTimer since_last;
        qint64 longest_stall = 0;
        QString stalled_cases;
        QTimer stalls;
        connect(&stalls, &QTimer::timeout, this, [&] {
            const qint64 stall = since_last.restart();
            if (stall <= longest_stall)
                return;
            longest_stall = stall;
            stalled_cases.clear();
            for (const auto &lane : lanes)
                stalled_cases += lane->running_case() + QLatin1Char(' ');
        });
        since_last.start();
        stalls.start(10);
        QElapsedTimer clock;
        clock.start();
        while (!std::all_of(lanes.begin(), lanes.end(), [](const auto &lane) { return lane->finished(); })) {
            for (const auto &lane : lanes)
                lane->step();
            QTest::qWait(1);
        }
        qInfo("%d cases in %.1f s, longest event-loop stall %lld ms (%s)", shared.cases_run,
              clock.elapsed() / 1000.0, longest_stall, qPrintable(stalled_cases.simplified()));
    }

private slots:
    void initTestCase()
    {
        // Every file dialog of the campaign says so on this platform.
        static const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
                if (!message.contains(QLatin1String("propagateSizeHints")))
                    previous(type, context, message);
            });
        dir.copy_data_file(QStringLiteral("parametrs.csv"));
        dir.copy_data_file(QStringLiteral("Models.csv"));
        QFile catalogue(dir.file_path(QStringLiteral("parametrs.csv")));
        QVERIFY(catalogue.open(QIODevice::ReadOnly));
        shared.catalogue = params::read_catalogue(catalogue);
        shared.upload_path = dir.file_path(QStringLiteral("upload.bin"));
        dir.write_file(QStringLiteral("upload.bin"), download_content.repeated(3));
        shared.download_base = dir.file_path(QStringLiteral("download"));
    }

    void campaign()
    {
        const quint32 seed = quint32(qEnvironmentVariable("HOSTILE_SEED").toUInt());
        const quint32 used_seed = seed ? seed : QRandomGenerator::global()->generate() | 1;
        const int total = environment_number("HOSTILE_CASES", 3000);
        const int lanes = environment_number("HOSTILE_LANES", 8);
        qInfo("hostile campaign: HOSTILE_SEED=%u HOSTILE_CASES=%d HOSTILE_LANES=%d", used_seed, total, lanes);
        const QVector<QVector<Case>> planned = plan(used_seed, total, lanes);
        QVector<std::shared_ptr<Lane>> running;
        for (int i = 0; i < planned.size(); ++i)
            running.append(std::make_shared<Lane>(i, i == planned.size() - 1, planned.at(i), shared));
        run(running);
        QVERIFY2(shared.failures.isEmpty(), qPrintable(QStringLiteral("HOSTILE_SEED=%1\n").arg(used_seed)
                                                       + shared.failures.join(QLatin1Char('\n'))));
    }

    // Faults the campaign found, kept as they were found.
    void fixed_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<int>("step");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("status");
        const QByteArray mib(1 << 20, 'x');
        const QByteArray pause("\x01"); // the stand-in waits 300 ms there
        QByteArray parameters = "{";
        for (const ParamPage &page : shared.catalogue) {
            for (const QString &key : page.keys)
                parameters += '"' + key.toUtf8() + "\":\"" + QByteArray(40000, 'p') + "\",";
        }
        parameters.back() = '}';
        QTest::newRow("stream without end") << QByteArray("req_all_dev") << 0 << QByteArray("{\"result\":<endless>")
                                            << not_enough;
        QTest::newRow("a whole reply beyond the limit")
            << QByteArray("req_all_dev") << 0 << "{\"a\":\"" + mib.repeated(5) + "\"}" << not_enough;
        QTest::newRow("a MiB-long serial found") << QByteArray("res_btn") << 0 << "{\"serial\":\"" + mib + "\"}" << "";
        QTest::newRow("MiB-long device texts") << QByteArray("read_dev_btn") << 0
            << "{\"devices\":[[1,1,\"" + mib + "\",1,\"" + mib + "\",1,1,1,\"" + mib + "\",1]]}" << "Передача завершена";
        QTest::newRow("long parameter texts") << QByteArray("read_param_btn") << 0 << parameters << "";
        QTest::newRow("upload content not confirmed") << QByteArray("load_in_btn") << 1
            << QByteArray("{\"result\0\":\"ok\"}", 16) << "Запись файла не подтверждена";
        QTest::newRow("download not confirmed") << QByteArray("load_out_btn") << 0 << QByteArray("{\"result\":\"busy\"}")
                                                << "Скачивание не подтверждено";
        QTest::newRow("download paused after a brace of the file")
            << QByteArray("load_out_btn") << 0 << download_content.left(19) + pause + download_content.mid(19) + ok
            << "Файл записан";
        QTest::newRow("download refused with more members") << QByteArray("load_out_btn") << 0
            << QByteArray("{\"note\":\"error_value\",\"result\":\"error_value\"}") << "Ошибка значения ключа";
    }

    void fixed()
    {
        QFETCH(QByteArray, button);
        QFETCH(int, step);
        QFETCH(QByteArray, reply);
        QFETCH(QString, status);
        shared.failures.clear();
        Case regression{operation_index(button), Kind::Fixed, step, 0, reply, status, 0};
        run({std::make_shared<Lane>(0, button == "res_btn", QVector<Case>{regression}, shared)});
        QVERIFY2(shared.failures.isEmpty(), qPrintable(shared.failures.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(HostileControllerTest)
#include "tst_hostile_controller.moc"
