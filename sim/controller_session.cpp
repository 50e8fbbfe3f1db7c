#include "controller_session.h"

#include "reply_writer.h"
#include "request_dispatcher.h"

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

ControllerSession::ControllerSession(QIODevice *device, const RequestDispatcher &dispatcher,
                                     const ReplyFaults &faults, QObject *parent)
    : QObject(parent),
      device(device),
      dispatcher(dispatcher),
      faults(faults),
      writer(new ReplyWriter(device, faults, this))
{
    connect(device, &QIODevice::readyRead, this, &ControllerSession::read_available);
}

void ControllerSession::read_available()
{
    framer.append(device->readAll());
    while (framer.has_request())
        answer(framer.take_request());
}

void ControllerSession::answer(const QByteArray &request)
{
    emit request_received(as_one_line(request));

    if (faults.close_after_request) {
        emit hang_up_requested();
        return;
    }
    if (faults.no_reply)
        return;
    writer->send(faults.replace_reply ? faults.raw_reply : dispatcher.reply_to_text(request).bytes());
}
