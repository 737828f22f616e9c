#include "dialing/speednumbers.h"

#include "core/textfile.h"

SpeedNumbers LoadSpeedNumbers(const DataFolder &folder)
{
    SpeedNumbers numbers;
    if (!folder.fileExists(kSpeedNumbersFile))
        return numbers;
    TextReader reader(folder.readAll(kSpeedNumbersFile));
    for (SpeedNumber &slot : numbers) {
        if (reader.atEnd())
            break;
        slot.name = reader.readLine();
        slot.number = reader.readLine();
    }
    return numbers;
}

void SaveSpeedNumbers(const DataFolder &folder, const SpeedNumbers &numbers)
{
    TextWriter writer;
    for (const SpeedNumber &slot : numbers) {
        if (!slot.isEmpty())
            writer.printLine(slot.name).printLine(slot.number);
    }
    folder.writeFile(kSpeedNumbersFile, writer.bytes());
}
