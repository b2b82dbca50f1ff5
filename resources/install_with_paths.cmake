# Run at install time for one file whose text names installed places, so that
# "cmake --install --prefix" and the package's /usr are honoured: fills in the template
# PICTAVO_TEMPLATE (already configured with the version), writes it to PICTAVO_STAGING, compresses
# it when PICTAVO_GZIP names gzip, and installs it into PICTAVO_DESTINATION.
#   @PICTAVO_DATA_DIR@  the installed data folder (PICTAVO_DATA)
#   @EXEC@              the installed program PICTAVO_PROGRAM in PICTAVO_BINDIR, as a desktop
#                       entry's Exec= value
# Relative folders are taken under CMAKE_INSTALL_PREFIX.

function(pictavo_installed_path out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
  endif()
endfunction()

pictavo_installed_path(_data "${PICTAVO_DATA}")
pictavo_installed_path(_destination "${PICTAVO_DESTINATION}")
file(READ "${PICTAVO_TEMPLATE}" _text)

if(PICTAVO_PROGRAM)
  pictavo_installed_path(_bindir "${PICTAVO_BINDIR}")
  # Exec= is a command line: "%" is doubled, and a path with a reserved character is quoted,
  # with '"', '`', '$' and '\' escaped inside the quotes; the value is then a string, whose '\' is
  # doubled again. Path= is a plain string: only its '\' is doubled.
  set(_exec "${_bindir}/${PICTAVO_PROGRAM}")
  string(REPLACE "%" "%%" _exec "${_exec}")
  if(_exec MATCHES "[] \t\"'\\\\><~|&;$*?#()`[]")
    string(REPLACE "\\" "\\\\" _exec "${_exec}")
    string(REPLACE "\"" "\\\"" _exec "${_exec}")
    string(REPLACE "`" "\\`" _exec "${_exec}")
    string(REPLACE "$" "\\$" _exec "${_exec}")
    set(_exec "\"${_exec}\"")
    string(REPLACE "\\" "\\\\" _exec "${_exec}")
  endif()
  string(REPLACE "@EXEC@" "${_exec}" _text "${_text}")
  string(REPLACE "\\" "\\\\" _data "${_data}")
endif()
string(REPLACE "@PICTAVO_DATA_DIR@" "${_data}" _text "${_text}")

file(WRITE "${PICTAVO_STAGING}" "${_text}")
set(_file "${PICTAVO_STAGING}")
if(PICTAVO_GZIP)
  execute_process(COMMAND "${PICTAVO_GZIP}" -9 -n -f "${PICTAVO_STAGING}" COMMAND_ERROR_IS_FATAL ANY)
  set(_file "${PICTAVO_STAGING}.gz")
endif()
file(INSTALL DESTINATION "${_destination}" TYPE FILE FILES "${_file}")
