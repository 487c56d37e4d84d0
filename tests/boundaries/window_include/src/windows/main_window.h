// The main window's header, which only the entry point may include.
#pragma once
