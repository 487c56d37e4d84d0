// What the engine tests share: stage temperatures, the texts of the boxes
// they look for, and a program started on a settings file.
#pragma once

#include <gtest/gtest.h>

#include <ostream>

#include "engine_world.h"
#include "link/protocol.h"

namespace world {

constexpr std::uint16_t kA = 2980;  // 25,0
constexpr std::uint16_t kB = 3030;  // 30,0
constexpr std::uint16_t kC = 2830;  // 10,0
constexpr std::uint16_t kD = 2630;  // -10,0
constexpr std::uint16_t kE = 3330;  // 60,0

constexpr char kLostCaption[] = "Ошибка связи";
constexpr char kNoAnswer[] = "- не правильно выбран порт;";
constexpr char kCompleted[] = "Завершено выполнение всех этапов.";
constexpr char kStopQuestion[] = "Автоматическое управление термостатом будет завершено.";
constexpr char kCloseQuestion[] = "Закрыть программу?";
constexpr char kRefusal[] = "Термостат не подтверждает установку температуры ";
constexpr char kConfirmed[] = "Термостат подтверждает выполнение команды.";
constexpr char kDeleteCaption[] = "Удаление этапа";
constexpr char kClearCaption[] = "Очистка списка";
constexpr char kRecordStop[] = "Запись значения температуры в файл будет прекращена.";

const std::int64_t kNoon = wallSeconds(2030, 1, 1, 12, 0);

// Starts the program on this settings file; with a start moment stored it
// connects by itself, and this waits for the link.
inline testing::AssertionResult startAndConnect(World& w, const std::vector<StageSpec>& stages, std::int64_t start,
                                                bool flagged) {
    w.settingsFile = settingsBytes(stages, localTimeAt(start), flagged);
    w.start();
    if (!w.runUntil([] { return linkIsUp(); }, 3000)) return testing::AssertionFailure() << "no link";
    return testing::AssertionSuccess();
}

namespace {

// A case of a table prints as its name.
template <typename Case>
    requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

}  // namespace
}  // namespace world
