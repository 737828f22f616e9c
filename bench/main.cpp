#include <QApplication>
#include <benchmark/benchmark.h>

int openWindowInNewProcess(int pathIndex, const QString &folder); // bench_windows.cpp

// The benchmarks render with Qt's painting, which needs an application object; offscreen unless told otherwise.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A window opened in a process of its own, for BM_WindowFresh.
    if (argc == 4 && qstrcmp(argv[1], "--open-window") == 0)
        return openWindowInNewProcess(QByteArray(argv[2]).toInt(), QString::fromLocal8Bit(argv[3]));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
