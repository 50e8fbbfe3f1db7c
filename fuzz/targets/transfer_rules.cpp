// A download reply's closing fragment and an upload reply's errors, and the
// names built from what the controller reports.

#include "files/transfer_rules.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply = fuzz::bytes(data, size);

    (void)transfer::download_complete(reply);
    const QByteArray content = transfer::download_content(reply);
    if (content.size() > reply.size())
        __builtin_trap();
    (void)transfer::download_result(reply);
    (void)transfer::error_in_reply(reply);

    const QString text = QString::fromUtf8(reply);
    (void)transfer::upload_name(text);
    (void)transfer::download_save_path(QStringLiteral("/tmp/chosen"), text);
    (void)transfer::download_save_path(QString(), text);
    return 0;
}
