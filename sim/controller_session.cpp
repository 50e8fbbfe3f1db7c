#include "controller_session.h"

#include "reply_writer.h"

#include <QIODevice>
#include <QJsonDocument>

namespace {

QByteArray as_one_line(const QByteArray &request)
{
    const QJsonDocument document = QJsonDocument::fromJson(request);
    if (document.isObject())
        return document.toJson(QJsonDocument::Compact);
    // Not valid JSON: show it as it came, only without its line breaks.
    QByteArray line = request;
    return line.replace('\r', ' ').replace('\n', ' ');
}

} // namespace

ControllerSession::ControllerSession(QIODevice *device, const RequestDispatcher &dispatcher, const ReplyFaults &faults,
                                     QObject *parent)
    : QObject(parent), device(device), dispatcher(dispatcher), faults(faults),
      writer(new ReplyWriter(device, faults, this))
{
    connect(device, &QIODevice::readyRead, this, &ControllerSession::read_available);
    connect(writer, &ReplyWriter::hang_up_requested, this, &ControllerSession::hang_up_requested);
    content_idle.setSingleShot(true);
    content_idle.setInterval(content_idle_ms);
    connect(&content_idle, &QTimer::timeout, this, &ControllerSession::content_stopped);
}

void ControllerSession::read_available()
{
    framer.append(device->readAll());
    if (content_reader)
        content_idle.start(); // content still flows
    while (framer.has_request()) {
        const QByteArray item = framer.take_request();
        if (content_reader)
            take_content(item);
        else
            answer(item);
    }
}

void ControllerSession::answer(const QByteArray &request)
{
    emit request_received(as_one_line(request));

    if (faults.close_after_request) {
        emit hang_up_requested();
        return;
    }
    respond(dispatcher.reply_to_text(request));
}

void ControllerSession::take_content(const QByteArray &content)
{
    content_idle.stop();
    const Reply::ContentReader reader = content_reader;
    content_reader = nullptr;
    respond(reader(content));
}

void ControllerSession::content_stopped()
{
    if (content_reader)
        take_content(framer.abandon_raw());
}

void ControllerSession::respond(const Reply &reply)
{
    if (reply.content_size() > 0 && reply.content_reader()) {
        // Asked for before the bytes behind the request are looked at.
        content_reader = reply.content_reader();
        framer.expect_raw(reply.content_size());
        content_idle.start();
    }
    if (faults.no_reply)
        return;
    writer->send(faults.replace_reply ? faults.raw_reply : reply.bytes(), reply.hangs_up());
}
