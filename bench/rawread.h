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
    for (auto _ : state) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("the file could not be opened");
            return;
        }
        const QByteArray bytes = file.readAll();
        if (bytes.size() != size) {
            state.SkipWithError("the file was not read whole");
            return;
        }
        benchmark::DoNotOptimize(bytes.constData()[size - 1]);
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["bytes"] = double(size);
}
