#include "preview/decoder_link.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <vector>

#include "preview/decode.h"
#include "preview/thumbnail.h"

extern char** environ;

namespace tvn::preview {

namespace {

constexpr uint32_t kAsk = 0x51'4E'56'54;     // "TVNQ"
constexpr uint32_t kAnswer = 0x41'4E'56'54;  // "TVNA"
constexpr uint32_t kThumbnail = 1;
constexpr uint32_t kPicture = 2;
constexpr int kLargestBox = 4096;
constexpr size_t kLargestRecord = 64 * 1024;

#pragma pack(push, 1)
struct Question {
    uint32_t magic;
    uint32_t kind;
    int32_t boxWidth;
    int32_t boxHeight;
    uint32_t typeLength;
    uint64_t byteCount;
};
struct Answer {
    uint32_t magic;
    uint32_t decoded;
    uint32_t width;
    uint32_t height;
    uint32_t recordLength;
    uint64_t pixelBytes;
};
#pragma pack(pop)

using Clock = std::chrono::steady_clock;
// How often a wait looks whether the question was called off, in ms.
constexpr int64_t kSlice = 100;

// Whole transfers; a deadline of Clock::time_point::max() waits as long as
// it takes (the decoder's side, which dies with its parent).
bool SendAll(int fd, const void* data, size_t n, Clock::time_point deadline,
             const std::atomic<bool>* cancel = nullptr) {
    const auto* p = static_cast<const char*>(data);
    while (n > 0) {
        if (deadline != Clock::time_point::max()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 || (cancel != nullptr && cancel->load())) return false;
            pollfd pfd{fd, POLLOUT, 0};
            const int r = ::poll(&pfd, 1, static_cast<int>(std::min<int64_t>(left.count(), kSlice)));
            if ((r < 0 && errno == EINTR) || r == 0) continue;
            if (r < 0) return false;
        }
        const ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

bool ReceiveAll(int fd, void* data, size_t n, Clock::time_point deadline,
                const std::atomic<bool>* cancel = nullptr) {
    auto* p = static_cast<char*>(data);
    while (n > 0) {
        if (deadline != Clock::time_point::max()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 || (cancel != nullptr && cancel->load())) return false;
            pollfd pfd{fd, POLLIN, 0};
            const int r = ::poll(&pfd, 1, static_cast<int>(std::min<int64_t>(left.count(), kSlice)));
            if ((r < 0 && errno == EINTR) || r == 0) continue;
            if (r < 0) return false;
        }
        const ssize_t got = ::recv(fd, p, n, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        p += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

void ReadRecord(const std::string& text, CImageInfo& i) {
    const nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
    if (!j.is_object()) return;
    auto text_ = [&](const char* key, std::string& into) {
        if (auto it = j.find(key); it != j.end() && it->is_string()) into = it->get<std::string>();
    };
    auto number = [&](const char* key, auto& into) {
        if (auto it = j.find(key); it != j.end() && it->is_number_unsigned())
            into = it->get<std::remove_reference_t<decltype(into)>>();
    };
    text_("name", i.name);
    number("fileSize", i.fileSize);
    number("width", i.width);
    number("height", i.height);
    number("colorModel", i.colorModel);
    number("componentsPerPixel", i.componentsPerPixel);
    number("compression", i.compression);
    text_("compressionDescription", i.compressionDescription);
    text_("description", i.description);
    number("formatIndex", i.formatIndex);
    text_("formatName", i.formatName);
    number("numberOfImages", i.numberOfImages);
}

}  // namespace

nlohmann::json ImageRecordJson(const CImageInfo& i) {
    return {{"name", i.name},
            {"fileSize", i.fileSize},
            {"width", i.width},
            {"height", i.height},
            {"colorModel", i.colorModel},
            {"componentsPerPixel", i.componentsPerPixel},
            {"compression", i.compression},
            {"compressionDescription", i.compressionDescription},
            {"description", i.description},
            {"formatIndex", i.formatIndex},
            {"formatName", i.formatName},
            {"numberOfImages", i.numberOfImages}};
}

CDecoderLink::CDecoderLink(std::string program) : m_program(std::move(program)) {}

CDecoderLink::~CDecoderLink() { End(); }

bool CDecoderLink::Start() {
    if (m_program.empty()) return false;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The decoder's end becomes its descriptor 3 (dup2 clears close-on-exec).
    posix_spawn_file_actions_adddup2(&actions, pair[1], 3);
    const std::string fd = "3";
    char* argv[] = {const_cast<char*>(m_program.c_str()), const_cast<char*>("--serve"),
                    const_cast<char*>(fd.c_str()), nullptr};
    pid_t pid = -1;
    const int r = ::posix_spawn(&pid, m_program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pair[1]);
    if (r != 0) {
        ::close(pair[0]);
        return false;
    }
    m_pid = pid;
    m_socket = pair[0];
    ++m_starts;
    return true;
}

void CDecoderLink::End() {
    if (m_socket >= 0) ::close(m_socket);
    m_socket = -1;
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    m_pid = -1;
}

QImage CDecoderLink::Ask(uint32_t kind, const QByteArray& bytes, std::string_view type, QSize box,
                         CImageInfo* info, std::chrono::milliseconds limit) {
    std::lock_guard hold(m_lock);
    if (bytes.isEmpty() || type.empty() || type.size() > 16) return {};
    if (m_cancel.load() || (m_pid <= 0 && !Start())) return {};
    const auto deadline = Clock::now() + limit;
    const std::atomic<bool>* cancel = &m_cancel;
    const Question q{kAsk,
                     kind,
                     box.width(),
                     box.height(),
                     static_cast<uint32_t>(type.size()),
                     static_cast<uint64_t>(bytes.size())};
    Answer a{};
    std::string record;
    QImage image;
    const bool spoke = SendAll(m_socket, &q, sizeof q, deadline, cancel) &&
                       SendAll(m_socket, type.data(), type.size(), deadline, cancel) &&
                       SendAll(m_socket, bytes.constData(), static_cast<size_t>(bytes.size()), deadline, cancel) &&
                       ReceiveAll(m_socket, &a, sizeof a, deadline, cancel) && a.magic == kAnswer &&
                       a.recordLength <= kLargestRecord;
    bool whole = spoke;
    if (whole) {
        record.resize(a.recordLength);
        whole = ReceiveAll(m_socket, record.data(), record.size(), deadline, cancel);
    }
    if (whole && a.decoded != 0) {
        const uint64_t expected = uint64_t{a.width} * a.height * 4;
        whole = a.width > 0 && a.height > 0 && uint64_t{a.width} * a.height <= kMaxPixels &&
                a.pixelBytes == expected;
        if (whole) {
            image = QImage(static_cast<int>(a.width), static_cast<int>(a.height), QImage::Format_ARGB32);
            whole = !image.isNull() &&
                    ReceiveAll(m_socket, image.bits(), static_cast<size_t>(expected), deadline, cancel);
        }
    } else if (whole) {
        whole = a.pixelBytes == 0;
    }
    if (!whole) {
        // No answer in time, called off, or a decoder that died or spoke
        // nonsense: it goes, and the next file gets a new one.
        End();
        return {};
    }
    if (info != nullptr) ReadRecord(record, *info);
    return a.decoded != 0 ? image : QImage();
}

QImage CDecoderLink::Thumbnail(const QByteArray& bytes, std::string_view type, QSize box,
                               std::chrono::milliseconds limit) {
    if (box.isEmpty() || box.width() > kLargestBox || box.height() > kLargestBox) return {};
    return Ask(kThumbnail, bytes, type, box, nullptr, limit);
}

QImage CDecoderLink::Picture(const QByteArray& bytes, std::string_view type, CImageInfo& info,
                             std::chrono::milliseconds limit) {
    const std::string name = info.name;
    const uint64_t fileSize = info.fileSize;
    info = CImageInfo{};
    QImage image = Ask(kPicture, bytes, type, QSize(0, 0), &info, limit);
    info.name = name;
    info.fileSize = fileSize;
    return image;
}

QImage CDecoderLink::PictureOfFile(const QString& path, std::string_view type, CImageInfo& info,
                                   std::chrono::milliseconds limit) {
    info = CImageInfo{};
    info.name = QFileInfo(path).fileName().toStdString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    info.fileSize = static_cast<uint64_t>(file.size());
    if (file.size() > kMaxDecodeBytes) return {};
    return Picture(file.readAll(), type, info, limit);
}

int ServeDecodes(int fd) {
    const auto noDeadline = Clock::time_point::max();
    for (;;) {
        Question q{};
        if (!ReceiveAll(fd, &q, sizeof q, noDeadline)) return 0;  // the wizard closed its end
        if (q.magic != kAsk || q.typeLength == 0 || q.typeLength > 16 ||
            q.byteCount > static_cast<uint64_t>(kMaxDecodeBytes) ||
            (q.kind != kThumbnail && q.kind != kPicture) || q.boxWidth < 0 || q.boxHeight < 0 ||
            q.boxWidth > kLargestBox || q.boxHeight > kLargestBox)
            return 2;
        std::string type(q.typeLength, '\0');
        QByteArray bytes(static_cast<qsizetype>(q.byteCount), Qt::Uninitialized);
        if (!ReceiveAll(fd, type.data(), type.size(), noDeadline) ||
            !ReceiveAll(fd, bytes.data(), static_cast<size_t>(bytes.size()), noDeadline))
            return 0;
        CImageInfo info;
        info.fileSize = q.byteCount;
        QImage image = q.kind == kThumbnail ? ThumbnailOfBytes(bytes, type, QSize(q.boxWidth, q.boxHeight))
                                            : DecodeImageBytes(bytes, type, info);
        if (!image.isNull()) image = image.convertToFormat(QImage::Format_ARGB32);
        const std::string record = q.kind == kPicture ? ImageRecordJson(info).dump() : std::string();
        const bool decoded = !image.isNull();
        const Answer a{kAnswer,
                       decoded ? 1u : 0u,
                       decoded ? static_cast<uint32_t>(image.width()) : 0u,
                       decoded ? static_cast<uint32_t>(image.height()) : 0u,
                       static_cast<uint32_t>(record.size()),
                       decoded ? uint64_t{static_cast<uint32_t>(image.width())} * static_cast<uint32_t>(image.height()) * 4
                               : 0u};
        if (!SendAll(fd, &a, sizeof a, noDeadline) || !SendAll(fd, record.data(), record.size(), noDeadline))
            return 0;
        if (decoded) {
            // Row by row: a QImage may pad its rows.
            const size_t row = static_cast<size_t>(image.width()) * 4;
            for (int y = 0; y < image.height(); ++y) {
                if (!SendAll(fd, image.constScanLine(y), row, noDeadline)) return 0;
            }
        }
    }
}

}  // namespace tvn::preview
