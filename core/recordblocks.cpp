#include "core/recordblocks.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr qsizetype kSpare = 32;
}

RecordBlocks::RecordBlocks(const DataFolder &folder, const QString &relative, const RecordLayout &layout, int perBlock)
    : m_layout(layout)
    , m_perBlock(perBlock > 0 ? perBlock : int(std::max<qsizetype>(1, kBlockBytes / layout.length())))
{
    if (!folder.fileExists(relative))
        return;
    m_file.setFileName(folder.path(relative));
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return;
    m_count = DataFolder::recordCountForSize(m_file.size(), layout.length());
    const int blocks = (m_count + m_perBlock - 1) / m_perBlock;
    const qsizetype size = qsizetype(std::min(m_perBlock, std::max(m_count, 1))) * layout.length() + kSpare;
    // Only the spare bytes need a value: the records are read over the rest.
    for (int k = 0; k < (blocks > 2 ? std::min(blocks, kRing) : 1); ++k) {
        QByteArray &bytes = m_blocks[std::size_t(k)].bytes;
        bytes = QByteArray(size, Qt::Uninitialized);
        std::memset(bytes.data() + size - kSpare, 0, std::size_t(kSpare));
    }
    if (blocks > 2) // from a few blocks on, a thread pays for itself
        m_reader = std::thread([this] { readAhead(); });
}

RecordBlocks::~RecordBlocks()
{
    if (!m_reader.joinable())
        return;
    m_stop = true;
    m_released.store(1 << 30);
    m_released.notify_all();
    m_reader.join();
}

int RecordBlocks::fill(Block &block, int first)
{
    block.first = first;
    block.records = 0;
    const int wanted = m_cut ? 0 : std::min(m_perBlock, m_count - first);
    if (wanted <= 0)
        return 0;
    const qint64 length = m_layout.length();
    char *bytes = block.bytes.data();
    qint64 got = 0;
    while (got < wanted * length) {
        const qint64 n = m_file.read(bytes + got, wanted * length - got);
        if (n <= 0)
            break;
        got += n;
    }
    const int records = int((got + length - 1) / length);
    if (got < records * length) { // the file ends inside this record: the rest as Record completes it
        char *last = bytes + (records - 1) * length;
        const QByteArray whole = Record(m_layout, QByteArray(last, got - (records - 1) * length)).bytes();
        std::memcpy(last, whole.constData(), std::size_t(length));
    }
    m_cut = records < wanted;
    block.records = records;
    return records;
}

void RecordBlocks::readAhead()
{
    for (int b = 0, first = 0;; ++b) {
        for (int released = m_released.load(); b - released >= kRing; released = m_released.load())
            m_released.wait(released);
        if (m_stop)
            return;
        const int records = fill(m_blocks[std::size_t(b % kRing)], first);
        first += records;
        m_filled.store(b + 1);
        m_filled.notify_one();
        if (records == 0)
            return;
    }
}

int RecordBlocks::next()
{
    if (m_ended)
        return 0;
    if (!m_reader.joinable()) { // a few blocks: read here, into the one buffer
        const int from = m_blocks[0].first + m_blocks[0].records;
        m_ended = fill(m_blocks[0], from) == 0;
        return m_blocks[0].records;
    }
    if (m_taken > 0) {
        m_released.store(m_taken);
        m_released.notify_one();
    }
    for (int filled = m_filled.load(); filled <= m_taken; filled = m_filled.load())
        m_filled.wait(filled);
    m_slot = m_taken++ % kRing;
    m_ended = m_blocks[std::size_t(m_slot)].records == 0;
    return m_ended ? 0 : m_blocks[std::size_t(m_slot)].records;
}
