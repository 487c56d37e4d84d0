# The engine: every decision of the program, with no Windows header (the
# settings record and its owner, temperature text and codes, frames, the
# conversation with the thermostat, clock stamps and the schedule, the input
# fields and the stage list, the run, the recording, the engine's front and
# the seat it acts through). Compiled natively for the unit and engine tests,
# sanitizers and fuzzers, and into the program. tests/boundaries checks that
# these files include no Windows header and no other file of the program.
set(PORTABLE_SOURCES
    src/app/awake.cpp
    src/app/engine.cpp
    src/app/seat.cpp
    src/app/settings.cpp
    src/app/settings_record.cpp
    src/app/window_names.cpp
    src/link/connection.cpp
    src/link/frames.cpp
    src/link/protocol.cpp
    src/link/temperature.cpp
    src/program/clock_stamp.cpp
    src/program/input_fields.cpp
    src/program/input_rules.cpp
    src/program/stage_list.cpp
    src/control/run.cpp
    src/control/run_schedule.cpp
    src/recording/record_format.cpp
    src/recording/recording.cpp
)
set(PORTABLE_HEADERS
    src/app/awake.h
    src/app/engine.h
    src/app/seat.h
    src/app/settings.h
    src/app/settings_record.h
    src/app/window_names.h
    src/link/connection.h
    src/link/frames.h
    src/link/link_state.h
    src/link/protocol.h
    src/link/temperature.h
    src/program/clock_stamp.h
    src/program/input_fields.h
    src/program/input_rules.h
    src/program/stage_list.h
    src/control/run.h
    src/control/run_schedule.h
    src/recording/record_format.h
    src/recording/recording.h
)
