// Arbitrary bytes as a process-monitor CSV file (read with parameters and without) and each of
// their lines as a key line.
#include <unistd.h>

#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/image/tool_records.h"
#include "procmon/pm_csv.h"

namespace {
// The file the input is written to, removed when the fuzzer ends.
struct input_file {
    QString path = QStringLiteral("/tmp/fuzz_procmon_csv_%1.csv").arg(::getpid());
    ~input_file() { ::unlink(path.toLocal8Bit().constData()); }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static input_file file;
    const QString& path = file.path;
    FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    std::vector<int16_t> samples;
    uint8_t record[tool_record_size + 16];
    bool paramsOk = false;
    pm_read_csv(samples, record, paramsOk, path);
    pm_read_csv(samples, nullptr, paramsOk, path);
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), int(size));
    for (const QString& line : text.split(QLatin1Char('\n')))
        pm_csv_parse(line, record);
    return 0;
}
