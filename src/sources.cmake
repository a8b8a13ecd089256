# The library's source files, layer by layer, relative to src/. Included by src/CMakeLists.txt
# and by the fuzz build, which compiles the same core with its own port and clock.
#
# Layers, each using only those listed before it: util, platform, link, state, config, decode,
# notify, reader; the api layer (exported functions and the entry points) sits on top.

set(BCREADER_UTIL_SOURCES
  util/wstring.cpp)

set(BCREADER_PLATFORM_COMMON_SOURCES
  platform/record_lines.cpp
  platform/trace.cpp)

set(BCREADER_PLATFORM_POSIX_SOURCES
  platform/posix/baud_table.cpp
  platform/posix/codepage.cpp
  platform/posix/dynlib.cpp
  platform/posix/event.cpp
  platform/posix/keyboard.cpp
  platform/posix/keyboard_controls.cpp
  platform/posix/keyboard_uinput.cpp
  platform/posix/record_sink.cpp
  platform/posix/reg_text.cpp
  platform/posix/registry.cpp
  platform/posix/sound.cpp
  platform/posix/sound_alsa.cpp
  platform/posix/sound_file.cpp
  platform/posix/sound_names.cpp
  platform/posix/sync.cpp
  platform/posix/thread.cpp
  platform/posix/trace_file.cpp
  platform/posix/trigger.cpp
  platform/posix/uinput_keymap.cpp
  platform/posix/utf_convert.cpp
  platform/posix/window.cpp
  platform/posix/xkb_layout.cpp)
# The serial port and the clock: the real ones of the system, which the fuzz build replaces
# with a port in memory and a virtual clock.
set(BCREADER_PLATFORM_POSIX_PORT_SOURCES
  platform/posix/clock.cpp
  platform/posix/port.cpp)
# The message bus: D-Bus on Linux; none on Windows and in the fuzz build.
set(BCREADER_PLATFORM_POSIX_BUS_SOURCES
  platform/posix/bus.cpp)
set(BCREADER_PLATFORM_NO_BUS_SOURCES
  platform/bus_off.cpp)

set(BCREADER_PLATFORM_WIN32_SOURCES
  platform/win32/ce_shims.cpp
  platform/win32/clock.cpp
  platform/win32/codepage.cpp
  platform/win32/dynlib.cpp
  platform/win32/event.cpp
  platform/win32/keyboard.cpp
  platform/win32/module.cpp
  platform/win32/port.cpp
  platform/win32/record_sink.cpp
  platform/win32/registry.cpp
  platform/win32/sound.cpp
  platform/win32/sync.cpp
  platform/win32/text.cpp
  platform/win32/thread.cpp
  platform/win32/trace_file.cpp
  platform/win32/trigger.cpp
  platform/win32/window.cpp)

set(BCREADER_LINK_SOURCES
  link/commands.cpp
  link/decode_road.cpp
  link/engine_link.cpp
  link/frame.cpp
  link/identify.cpp
  link/line_reader.cpp
  link/link_health.cpp
  link/port_lock.cpp
  link/receiver.cpp
  link/serial_port.cpp
  link/transaction.cpp
  link/wire_trace.cpp)

set(BCREADER_STATE_SOURCES
  state/library_globals.cpp
  state/published_decode.cpp
  state/scan_engine.cpp
  state/signalled_decodes.cpp
  state/settings.cpp
  state/workers.cpp)

# Plain data with no state: the option catalog and the code-type table, which the command-line
# tool uses as well.
set(BCREADER_CATALOG_SOURCES
  config/option_catalog.cpp
  decode/code_types.cpp)

set(BCREADER_CONFIG_SOURCES
  config/handler_list.cpp
  config/linear_handlers.cpp
  config/option_function.cpp
  config/param_handler.cpp
  config/preference_handlers.cpp
  config/preferences.cpp
  config/reset.cpp
  config/restore.cpp
  config/startup_read.cpp
  config/two_d_handlers.cpp)

set(BCREADER_DECODE_SOURCES
  decode/output_record.cpp
  decode/output_settings.cpp
  decode/reception.cpp
  decode/wedge.cpp)

set(BCREADER_NOTIFY_SOURCES
  notify/beeper.cpp
  notify/notification_settings.cpp
  notify/notify_periods.cpp
  notify/notify_threads.cpp
  notify/sound_table.cpp)

set(BCREADER_READER_SOURCES
  reader/auto_trigger.cpp
  reader/bus_relay.cpp
  reader/device_queries.cpp
  reader/lifecycle.cpp
  reader/recovery.cpp
  reader/system_library.cpp
  reader/window_proc.cpp)

# Everything below the api layer but the catalog, the platform and the port.
set(BCREADER_LAYER_SOURCES
  ${BCREADER_PLATFORM_COMMON_SOURCES}
  ${BCREADER_LINK_SOURCES}
  ${BCREADER_STATE_SOURCES}
  ${BCREADER_CONFIG_SOURCES}
  ${BCREADER_DECODE_SOURCES}
  ${BCREADER_NOTIFY_SOURCES}
  ${BCREADER_READER_SOURCES})

set(BCREADER_API_SOURCES
  api/device_api.cpp
  api/lifecycle_api.cpp
  api/notify_api.cpp
  api/options_api.cpp
  api/output_api.cpp
  api/public_names.cpp
  api/reading_api.cpp)
# Linux only: the message-window extension. Windows has real windows.
set(BCREADER_API_POSIX_SOURCES
  api/bus_api.cpp
  api/posix_window_api.cpp)
# The entry points: process attach and detach.
set(BCREADER_ENTRY_POSIX_SOURCES api/entry.cpp)
set(BCREADER_ENTRY_WIN32_SOURCES api/dll_main.cpp)
