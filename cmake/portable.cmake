# The portable core: the program's rules with no Windows header (temperature
# text and codes, clock stamps and the schedule rule, frames and check bytes,
# the settings record, the link state). Compiled natively for the unit tests,
# sanitizers and fuzzers, and into the program. tests/boundaries checks that
# these files include no Windows header and no other file of the program.
set(PORTABLE_SOURCES
    src/app/settings_record.cpp
    src/link/frames.cpp
    src/link/temperature.cpp
    src/program/clock_stamp.cpp
    src/program/input_rules.cpp
    src/control/run_schedule.cpp
    src/recording/record_format.cpp
)
set(PORTABLE_HEADERS
    src/app/settings_record.h
    src/link/frames.h
    src/link/link_state.h
    src/link/temperature.h
    src/control/run_schedule.h
    src/recording/record_format.h
    src/program/clock_stamp.h
    src/program/input_rules.h
)
