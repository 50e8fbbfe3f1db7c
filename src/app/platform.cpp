#include "app/platform.h"

#include "network/arp_table.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include <QRandomGenerator>

#include <vector>

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <QTemporaryFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

#ifdef Q_OS_WIN
const char command_interpreter[] = "cmd";
const char arp_program[] = "arp";
#else
const char arp_program[] = "ip";
#endif
const char ping_program[] = "ping";

#ifdef Q_OS_WIN
// A program of the system folder by its full path. Windows looks for a
// bare name in the current folder first, where a "ping.bat" or "cmd.exe"
// left beside a settings file would run instead; the interpreter too
// searches its own current folder for the words it is given. Without the
// system folder's name nothing is started rather than a program found
// elsewhere.
QString system_program(const char *name)
{
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return QString();
    return QDir::toNativeSeparators(QString::fromWCharArray(folder, int(length)) + QLatin1Char('/')
                                    + QLatin1String(name) + QStringLiteral(".exe"));
}

// A command of the command interpreter, its words as separate arguments so
// that the command line reads exactly "cmd /C word word...", every program
// named by its full path.
ShellCommand interpreter_command(const QStringList &words)
{
    return {system_program(command_interpreter), QStringList{QStringLiteral("/C")} + words};
}
#endif

} // namespace

QString ShellCommand::text() const
{
    return (QStringList{program} + arguments).join(QLatin1Char(' '));
}

ShellCommand ping_command(const QString &address)
{
#ifdef Q_OS_WIN
    return interpreter_command({system_program(ping_program), address});
#else
    return {QString::fromLatin1(ping_program),
            {QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-W"), QStringLiteral("1"), address}};
#endif
}

QVector<ShellCommand> sweep_commands(const QStringList &addresses)
{
    QVector<ShellCommand> commands;
#ifdef Q_OS_WIN
    for (const QString &address : addresses)
        commands.append(ping_command(address));
#else
    // The addresses reach the script as its arguments, never as its text.
    const QString script = QStringLiteral("for address in \"$@\"; do ")
                           + ping_command(QStringLiteral("\"$address\"")).text()
                           + QStringLiteral(" >/dev/null 2>&1 & done; wait");
    // At a lower priority: 255 process starts at once must not take the
    // processor from the window, yet all are done well before the search
    // reads the ARP table.
    commands.append(
        {QStringLiteral("nice"), QStringList{QStringLiteral("-n"), QStringLiteral("5"), QStringLiteral("sh"),
                                             QStringLiteral("-c"), script, QStringLiteral("sh")}
                                     + addresses});
#endif
    return commands;
}

ShellCommand arp_query_command()
{
#ifdef Q_OS_WIN
    return interpreter_command({system_program(arp_program), QStringLiteral("-a")});
#else
    return {QString::fromLatin1(arp_program), {QStringLiteral("neigh"), QStringLiteral("show")}};
#endif
}

QByteArray arp_output_codec()
{
#ifdef Q_OS_WIN
    return QByteArrayLiteral("IBM 866");
#else
    return QByteArrayLiteral("UTF-8");
#endif
}

QString arp_table_text(const QString &query_output)
{
#ifdef Q_OS_WIN
    return query_output;
#else
    return arp_table::from_ip_neigh(query_output);
#endif
}

#ifdef Q_OS_WIN

namespace {

// The security descriptor of a file for the current user alone: a DACL with
// one entry, the user of the process token with every right. Protected, so
// that the inheritable entries of the folder (%TEMP% lets its owner's
// administrators and SYSTEM in, a folder chosen elsewhere may let anyone
// in) are not merged into it when the file is made.
struct OwnerOnlySecurity
{
    std::vector<unsigned char> user;
    std::vector<unsigned char> acl;
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes;

    bool make()
    {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            return false;
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        user.resize(size);
        const bool have_user = size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size);
        CloseHandle(token);
        if (!have_user)
            return false;
        PSID sid = reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid;
        const DWORD acl_size = DWORD(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid));
        acl.resize(acl_size);
        PACL dacl = reinterpret_cast<PACL>(acl.data());
        if (!InitializeAcl(dacl, acl_size, ACL_REVISION) || !AddAccessAllowedAce(dacl, ACL_REVISION, GENERIC_ALL, sid)
            || !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)
            || !SetSecurityDescriptorDacl(&descriptor, TRUE, dacl, FALSE)
            || !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
            return false;
        attributes.nLength = sizeof(attributes);
        attributes.lpSecurityDescriptor = &descriptor;
        attributes.bInheritHandle = FALSE;
        return true;
    }
};

} // namespace

std::unique_ptr<QFile> open_private_temporary_file(const QString &folder)
{
    // QTemporaryFile would give the file a name in %TEMP% with the folder's
    // ACL, and a crash would leave it there with the traffic in it. The
    // file is made here instead:
    // - with an ACL for the current user alone (see OwnerOnlySecurity);
    // - delete-on-close: the system removes it once its last handle is
    //   closed, which the end of the process does, however it ends;
    // - marked temporary, so that the cache keeps it rather than the disk;
    // - shared for reading (FileReader reopens it) and for deletion, which
    //   a second handle of a delete-on-close file needs; never for writing.
    OwnerOnlySecurity security;
    if (!security.make())
        return nullptr;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString name = QDir::toNativeSeparators(
            QDir(folder).filePath(QStringLiteral("configurator_log_%1.tmp")
                                      .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'))));
        const HANDLE handle =
            CreateFileW(reinterpret_cast<const wchar_t *>(name.utf16()), GENERIC_READ | GENERIC_WRITE | DELETE,
                        FILE_SHARE_READ | FILE_SHARE_DELETE, &security.attributes, CREATE_NEW,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS)
                continue; // a name taken: another one
            return nullptr;
        }
        // QFile takes a C runtime descriptor, binary so that nothing is
        // translated; closing it closes the handle, and the file is gone.
        const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
        if (descriptor == -1) {
            CloseHandle(handle);
            return nullptr;
        }
        auto file = std::make_unique<QFile>();
        if (!file->open(descriptor, QIODevice::ReadWrite | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
            _close(descriptor);
            return nullptr;
        }
        return file;
    }
    return nullptr;
}

FileReader::FileReader(const QFile &file) : handle(INVALID_HANDLE_VALUE)
{
    // A handle duplicated with DuplicateHandle would share the file position
    // with the owner's, which a read moves even when it names its offset:
    // ReOpenFile makes a handle of its own.
    const int descriptor = file.handle();
    const HANDLE original =
        descriptor == -1 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    if (original != INVALID_HANDLE_VALUE)
        handle = ReOpenFile(original, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
}

FileReader::~FileReader()
{
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
}

bool FileReader::is_open() const
{
    return handle != INVALID_HANDLE_VALUE;
}

qint64 FileReader::read_at(qint64 offset, char *data, qint64 size) const
{
    if (handle == INVALID_HANDLE_VALUE || offset < 0 || size < 0)
        return -1;
    OVERLAPPED at = {};
    at.Offset = DWORD(quint64(offset) & 0xffffffffu);
    at.OffsetHigh = DWORD(quint64(offset) >> 32);
    DWORD read = 0;
    if (!ReadFile(handle, data, DWORD(qMin<qint64>(size, 1 << 30)), &read, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return qint64(read);
}

#else

std::unique_ptr<QFile> open_private_temporary_file(const QString &folder)
{
    // QTemporaryFile makes the file readable and writable by its owner
    // alone and removes it when it is destroyed; on Linux, where the file
    // system allows, it has no name at all (O_TMPFILE), so that not even a
    // crash leaves the traffic behind.
    auto file = std::make_unique<QTemporaryFile>(QDir(folder).filePath(QStringLiteral("configurator_log_XXXXXX")));
    QFile &plain_file = *file;
    if (!plain_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return nullptr;
    return file;
}

FileReader::FileReader(const QFile &file) : descriptor(-1)
{
    // A descriptor of its own, which stays valid whatever the owner does
    // with its QFile; pread() neither uses nor moves the shared position.
    if (file.handle() != -1)
        descriptor = fcntl(file.handle(), F_DUPFD_CLOEXEC, 0);
}

FileReader::~FileReader()
{
    if (descriptor != -1)
        close(descriptor);
}

bool FileReader::is_open() const
{
    return descriptor != -1;
}

qint64 FileReader::read_at(qint64 offset, char *data, qint64 size) const
{
    if (descriptor == -1 || offset < 0 || size < 0)
        return -1;
    for (;;) {
        const ssize_t read = pread(descriptor, data, size_t(size), off_t(offset));
        if (read >= 0 || errno != EINTR)
            return qint64(read);
    }
}

#endif

} // namespace platform
