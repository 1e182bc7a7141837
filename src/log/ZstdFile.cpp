#include "ZstdFile.h"

#include "ErrorText.h"

#include <QFile>

#include <zstd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mivra {

namespace {

// The default level: about twice as fast as gzip's fastest and smaller than its best on a log.
constexpr int kLevel = 3;
constexpr quint32 kSkippableMagic = 0x184D2A50; // the first of sixteen skippable frame kinds
constexpr quint32 kFrameMagic = 0xFD2FB528;
constexpr int kLongestMark = 4096;

QString systemText(int systemError)
{
    return QString::fromLocal8Bit(std::strerror(systemError));
}

QString zstdText(std::size_t code)
{
    return QString::fromLatin1(ZSTD_getErrorName(code));
}

// A descriptor for reading that is closed with this object.
class ReadHandle {
public:
    explicit ReadHandle(const QString& path)
        : m_handle(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC))
    {
    }
    ~ReadHandle()
    {
        if (m_handle >= 0)
            ::close(m_handle);
    }
    ReadHandle(const ReadHandle&) = delete;
    ReadHandle& operator=(const ReadHandle&) = delete;
    int get() const { return m_handle; }

private:
    int m_handle;
};

// Reads up to size bytes: the count read (0 at the end), or -1 with errno set.
ssize_t readSome(int handle, void* data, std::size_t size)
{
    ssize_t got;
    do
        got = ::read(handle, data, size);
    while (got < 0 && errno == EINTR);
    return got;
}

bool writeAll(int handle, const void* data, std::size_t size, QString* error)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(handle, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            setError(error, systemText(written < 0 ? errno : ENOSPC));
            return false;
        }
        bytes += written;
        size -= std::size_t(written);
    }
    return true;
}

quint32 littleEndian32(const unsigned char* bytes)
{
    return quint32(bytes[0]) | quint32(bytes[1]) << 8 | quint32(bytes[2]) << 16 | quint32(bytes[3]) << 24;
}

void appendLittleEndian32(QByteArray* bytes, quint32 value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes->append(char((value >> shift) & 0xff));
}

struct CompressorDeleter {
    void operator()(ZSTD_CCtx* context) const { ZSTD_freeCCtx(context); }
};
struct DecompressorDeleter {
    void operator()(ZSTD_DCtx* context) const { ZSTD_freeDCtx(context); }
};

} // namespace

bool zstdCompressFile(const QString& from, int toHandle, const QByteArray& mark, QString* error)
{
    const ReadHandle source(from);
    struct stat info { };
    if (source.get() < 0 || ::fstat(source.get(), &info) != 0) {
        setError(error, systemText(errno));
        return false;
    }
    if (!mark.isEmpty()) {
        QByteArray frame;
        appendLittleEndian32(&frame, kSkippableMagic);
        appendLittleEndian32(&frame, quint32(mark.size()));
        frame += mark;
        if (!writeAll(toHandle, frame.constData(), std::size_t(frame.size()), error))
            return false;
    }
    const std::unique_ptr<ZSTD_CCtx, CompressorDeleter> context(ZSTD_createCCtx());
    if (!context || ZSTD_isError(ZSTD_CCtx_setParameter(context.get(), ZSTD_c_compressionLevel, kLevel))
        || ZSTD_isError(ZSTD_CCtx_setParameter(context.get(), ZSTD_c_checksumFlag, 1))
        || ZSTD_isError(ZSTD_CCtx_setPledgedSrcSize(context.get(), quint64(info.st_size)))) {
        setError(error, QStringLiteral("the compressor cannot be started"));
        return false;
    }
    std::vector<char> in(ZSTD_CStreamInSize());
    std::vector<char> out(ZSTD_CStreamOutSize());
    for (;;) {
        const ssize_t got = readSome(source.get(), in.data(), in.size());
        if (got < 0) {
            setError(error, systemText(errno));
            return false;
        }
        const ZSTD_EndDirective mode = got == 0 ? ZSTD_e_end : ZSTD_e_continue;
        ZSTD_inBuffer input{in.data(), std::size_t(got), 0};
        bool finished = false;
        do {
            ZSTD_outBuffer output{out.data(), out.size(), 0};
            const std::size_t left = ZSTD_compressStream2(context.get(), &output, &input, mode);
            if (ZSTD_isError(left)) {
                // The file changed length while it was read: the frame's length would be wrong.
                setError(error, zstdText(left));
                return false;
            }
            if (!writeAll(toHandle, out.data(), output.pos, error))
                return false;
            finished = mode == ZSTD_e_end ? left == 0 : input.pos == input.size;
        } while (!finished);
        if (mode == ZSTD_e_end)
            return true;
    }
}

bool zstdDecompressFile(const QString& from, int toHandle, QString* error, qint64* bytes)
{
    const ReadHandle source(from);
    if (source.get() < 0) {
        setError(error, systemText(errno));
        return false;
    }
    const std::unique_ptr<ZSTD_DCtx, DecompressorDeleter> context(ZSTD_createDCtx());
    if (!context) {
        setError(error, QStringLiteral("the decompressor cannot be started"));
        return false;
    }
    std::vector<char> in(ZSTD_DStreamInSize());
    std::vector<char> out(ZSTD_DStreamOutSize());
    std::size_t last = 0; // 0 once a frame is whole and all of it handed out
    bool anyInput = false;
    qint64 length = 0;
    for (;;) {
        const ssize_t got = readSome(source.get(), in.data(), in.size());
        if (got < 0) {
            setError(error, systemText(errno));
            return false;
        }
        if (got == 0)
            break;
        anyInput = true;
        ZSTD_inBuffer input{in.data(), std::size_t(got), 0};
        while (input.pos < input.size) {
            ZSTD_outBuffer output{out.data(), out.size(), 0};
            last = ZSTD_decompressStream(context.get(), &output, &input);
            if (ZSTD_isError(last)) {
                setError(error, QStringLiteral("it is not whole Zstandard data (%1)").arg(zstdText(last)));
                return false;
            }
            if (toHandle >= 0 && !writeAll(toHandle, out.data(), output.pos, error))
                return false;
            length += qint64(output.pos);
        }
    }
    if (!anyInput || last != 0) {
        setError(error, QStringLiteral("the Zstandard data end before their end"));
        return false;
    }
    if (bytes)
        *bytes = length;
    return true;
}

bool readZstdStart(const QString& path, QByteArray* mark, QByteArray* head, int headBytes)
{
    const ReadHandle source(path);
    if (source.get() < 0)
        return false;
    unsigned char start[8];
    if (readSome(source.get(), start, sizeof(start)) != ssize_t(sizeof(start)))
        return false;
    const quint32 magic = littleEndian32(start);
    mark->clear();
    if ((magic & 0xFFFFFFF0) == kSkippableMagic) {
        const quint32 size = littleEndian32(start + 4);
        if (size > quint32(kLongestMark))
            return false;
        mark->resize(qsizetype(size));
        if (size > 0 && readSome(source.get(), mark->data(), size) != ssize_t(size))
            return false;
    } else if (magic != kFrameMagic) {
        return false;
    }
    if (::lseek(source.get(), 0, SEEK_SET) != 0)
        return false;

    const std::unique_ptr<ZSTD_DCtx, DecompressorDeleter> context(ZSTD_createDCtx());
    if (!context)
        return false;
    std::vector<char> in(4096);
    head->resize(headBytes);
    ZSTD_outBuffer output{head->data(), std::size_t(headBytes), 0};
    while (output.pos < output.size) {
        const ssize_t got = readSome(source.get(), in.data(), in.size());
        if (got <= 0)
            break;
        ZSTD_inBuffer input{in.data(), std::size_t(got), 0};
        while (input.pos < input.size && output.pos < output.size) {
            if (ZSTD_isError(ZSTD_decompressStream(context.get(), &output, &input)))
                return false;
        }
    }
    head->truncate(qsizetype(output.pos));
    return true;
}

bool hasZstdMagic(const QString& path)
{
    QFile file(path);
    const QByteArray start = file.open(QIODevice::ReadOnly) ? file.read(4) : QByteArray();
    if (start.size() < 4)
        return false;
    const quint32 magic = littleEndian32(reinterpret_cast<const unsigned char*>(start.constData()));
    return magic == kFrameMagic || (magic & 0xFFFFFFF0) == kSkippableMagic;
}

} // namespace mivra
