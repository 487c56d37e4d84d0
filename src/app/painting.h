// Everything the main window draws itself.
#pragma once

#include <windows.h>

// Areas that other modules invalidate.
constexpr RECT linkPanelRect = {12, 12, 128, 108};
constexpr RECT readoutRect = {20, 57, 120, 95};
constexpr RECT setpointBoxRect = {44, 165, 95, 185};
constexpr RECT startMomentStripRect = {338, 27, 474, 49};
constexpr RECT stageNumberBoxRect = {158, 243, 196, 260};
constexpr RECT stageStartDateRect = {338, 243, 406, 260};
constexpr RECT stageStartTimeRect = {408, 243, 457, 260};

LRESULT paintMainWindow(HWND window);
void redrawStageNumber(HWND window);
void redrawStageStart(HWND window);
