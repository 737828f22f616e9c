#pragma once

#include "core/datafolder.h"
#include "core/recordlayout.h"

#include <QByteArray>
#include <QFile>
#include <array>
#include <atomic>
#include <thread>

// A record file read a block of records at a time into a few buffers used again and again: a scan of a large file
// holds a few blocks, not the file. A file of more than one block is read ahead on a thread of its own while the
// caller looks at the block before, so that a scan costs little more than the read. The records are counted as
// recordCountForSize counts them (the file restored from /Backup when missing); a short last record comes completed
// with blanks and zeros, as Record completes it; a file cut short while it is read ends where it was cut. Missing or
// unreadable: none. Each buffer has a few bytes to spare after its last record, so that a matcher may read whole
// words past a field's end. A block holds about kBlockBytes whatever the record's length (a few thousand customers,
// a few hundred slips), unless the caller names a number of records.
class RecordBlocks
{
public:
    static constexpr qsizetype kBlockBytes = 640 * 1024;
    RecordBlocks(const DataFolder &folder, const QString &relative, const RecordLayout &layout, int perBlock = 0);
    ~RecordBlocks();
    RecordBlocks(const RecordBlocks &) = delete;
    RecordBlocks &operator=(const RecordBlocks &) = delete;

    int count() const { return m_count; } // records in the file when it was opened
    // The next block: how many records it holds, 0 at the end. They lie one after another from data().
    int next();
    const char *data() const { return m_blocks[m_slot].bytes.constData(); }
    int first() const { return m_blocks[m_slot].first; } // the index (from 0) of the block's first record

private:
    struct Block
    {
        QByteArray bytes;
        int first = 0;
        int records = 0;
    };
    static constexpr int kRing = 4;
    int fill(Block &block, int first);
    void readAhead();

    QFile m_file;
    const RecordLayout &m_layout;
    int m_perBlock;
    int m_count = 0;
    bool m_cut = false;
    std::array<Block, kRing> m_blocks;
    int m_slot = 0;
    int m_taken = 0; // blocks handed over so far
    bool m_ended = false;
    std::thread m_reader;
    std::atomic<int> m_filled{0};   // blocks the reader has filled
    std::atomic<int> m_released{0}; // blocks the caller is done with
    std::atomic<bool> m_stop{false};
};

// Each record of the file in order: visit(const char *record, int index from 0). A template, so that a scan's own
// test is compiled into the loop rather than called through a pointer for every record.
template <typename Visit>
void forEachRecordOf(const DataFolder &folder, const QString &relative, const RecordLayout &layout, Visit visit,
                     int perBlock = 0)
{
    RecordBlocks blocks(folder, relative, layout, perBlock);
    const qsizetype length = layout.length();
    while (const int n = blocks.next()) {
        const char *records = blocks.data();
        const int first = blocks.first();
        for (int k = 0; k < n; ++k)
            visit(records + qsizetype(k) * length, first + k);
    }
}
