// quellor-settings: reads and writes the program's settings file for the
// scripts, with the program's own code for its layout.
//
//   quellor-settings write FILE RUN START INTERVAL FOLDER NAME [STAGE...]
//       RUN 0 or 255; START "yy mm dd HH MM" or none; INTERVAL 0..6;
//       FOLDER and NAME the record file's ("" for none); each STAGE
//       "code minutes hours". Port index 0 (the first port listed).
//   quellor-settings get FILE FIELD
//       FIELD: portIndex, runFlag, stageCount, start ("yy mm dd HH MM"),
//       interval, folder, name, stages (a line "code minutes hours" each),
//       schedule (a line "code start end" each: the stage's minutes from
//       the stored start moment, by the program's own schedule rules),
//       intact ("yes" when the file holds the header and its stages and no
//       more than a full record).
// Exit status 2 on a wrong call or a file that cannot be read or written.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "program/clock_stamp.h"
#include "settings/settings_record.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: quellor-settings write FILE RUN START INTERVAL FOLDER NAME [STAGE...]\n"
                         "       quellor-settings get FILE FIELD\n");
    return 2;
}

bool readBytes(const char* path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

void copyField(char (&field)[kPathFieldSize], const char* text) {
    std::memset(field, 0, sizeof field);
    std::strncpy(field, text, sizeof field - 1);
}

int write(int argc, char** argv) {
    if (argc < 8) return usage();
    SettingsRecord record{};
    record.runFlag = static_cast<std::uint8_t>(std::stoi(argv[3]));
    if (std::string(argv[4]) != "none") {
        std::istringstream start(argv[4]);
        std::uint16_t* fields[] = {&record.startYear, &record.startMonth, &record.startDay, &record.startHour,
                                   &record.startMinute};
        for (std::uint16_t* field : fields) {
            unsigned value = 0;
            if (!(start >> value)) return usage();
            *field = static_cast<std::uint16_t>(value);
        }
    }
    record.recordIntervalIndex = static_cast<std::uint8_t>(std::stoi(argv[5]));
    copyField(record.recordFolder, argv[6]);
    copyField(record.recordFileName, argv[7]);
    for (int i = 8; i < argc; ++i) {
        if (record.stageCount == kMaxStages) return usage();
        unsigned code = 0, minutes = 0, hours = 0;
        std::istringstream stage(argv[i]);
        if (!(stage >> code >> minutes >> hours)) return usage();
        record.stages[record.stageCount++] = StageEntry{static_cast<std::uint16_t>(code),
                                                        static_cast<std::uint8_t>(minutes),
                                                        static_cast<std::uint8_t>(hours)};
    }
    std::vector<std::uint8_t> bytes(settingsSaveSize(record));
    encodeSettings(record, bytes.data());
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return out ? 0 : 2;
}

int get(const char* path, const std::string& field) {
    std::vector<std::uint8_t> bytes;
    if (!readBytes(path, bytes)) return 2;
    // The count as written, and the record as the program reads it.
    const unsigned written = bytes.size() > kStageCountOffset ? bytes[kStageCountOffset] : 0;
    const SettingsRecord record = decodeSettings(bytes.data(), bytes.size());
    if (field == "portIndex") std::printf("%u\n", record.portIndex);
    else if (field == "runFlag") std::printf("%u\n", record.runFlag);
    else if (field == "stageCount") std::printf("%u\n", written);
    else if (field == "start")
        std::printf("%02u %02u %02u %02u %02u\n", record.startYear, record.startMonth, record.startDay,
                    record.startHour, record.startMinute);
    else if (field == "interval") std::printf("%u\n", record.recordIntervalIndex);
    else if (field == "folder") std::printf("%s\n", record.recordFolder);
    else if (field == "name") std::printf("%s\n", record.recordFileName);
    else if (field == "stages")
        for (unsigned k = 0; k < record.stageCount; ++k)
            std::printf("%u %u %u\n", record.stages[k].temperatureCode, record.stages[k].holdMinutes,
                        record.stages[k].holdHours);
    else if (field == "schedule") {
        ClockStamp cursor{static_cast<std::int16_t>(record.startYear), static_cast<std::int16_t>(record.startMonth),
                          static_cast<std::int16_t>(record.startDay), static_cast<std::int16_t>(record.startHour),
                          static_cast<std::int16_t>(record.startMinute)};
        const std::int64_t origin = minuteNumber(cursor);
        for (unsigned k = 0; k < record.stageCount; ++k) {
            const std::int64_t start = minuteNumber(cursor) - origin;
            addHold(cursor, record.stages[k].holdHours, record.stages[k].holdMinutes);
            std::printf("%u %lld %lld\n", record.stages[k].temperatureCode, static_cast<long long>(start),
                        static_cast<long long>(minuteNumber(cursor) - origin));
        }
    } else if (field == "intact")
        std::printf("%s\n", bytes.size() >= kSettingsHeaderSize + kStageEntrySize * written &&
                                    bytes.size() <= kSettingsMaxSize && record.stageCount == written
                                ? "yes"
                                : "no");
    else return usage();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "write") return write(argc, argv);
    if (argc == 4 && std::string(argv[1]) == "get") return get(argv[2], argv[3]);
    return usage();
}
