#pragma once

// The yardstick of a file's operations: the whole file read, nothing else. Checked, so that a floor which read
// nothing (a wrong path, a short read) can never make an operation look slow beside it.
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>

inline void rawReadWholeFile(benchmark::State &state, const QString &path)
{
    const qint64 size = QFileInfo(path).size();
    if (size <= 0) {
        state.SkipWithError("the file to read is missing or empty");
        return;
    }
    // Into one buffer made before the timing: the floor is the read itself, not the allocator's fresh pages.
    QByteArray bytes(size, '\0');
    for (auto _ : state) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            state.SkipWithError("the file could not be opened");
            return;
        }
        qint64 read = 0;
        while (read < size) {
            const qint64 n = file.read(bytes.data() + read, size - read);
            if (n <= 0)
                break;
            read += n;
        }
        if (read != size || file.read(bytes.data(), 1) != 0) {
            state.SkipWithError("the file was not read whole");
            return;
        }
        benchmark::DoNotOptimize(bytes.constData()[size - 1]);
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["bytes"] = double(size);
}
