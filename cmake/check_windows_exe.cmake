# Checks what a Windows program needs besides its code:
#   - it imports only DLLs that come with Windows, so it runs from any folder
#     without the MinGW runtime DLLs;
#   - it imports none of the ANSI ("...A") functions that take file names or
#     the command line, so no name depends on the system's code page;
#   - given ICON, it holds the group icon MAINICON with exactly the pictures
#     of ICON, 16x16, 32x32, 48x48 and 256x256 (a PNG), each byte for byte,
#     so each program shows its own icon, drawn for every size Explorer
#     shows (without ICON, for a program that has no icon, this is not
#     checked);
#   - it holds MANIFEST byte for byte as resource 1 of type 24 (RT_MANIFEST),
#     which asks for level asInvoker and declares longPathAware.
#
#   cmake -DOBJDUMP=<objdump> -DEXE=<program.exe> [-DICON=<program.ico>]
#         -DMANIFEST=<app.manifest> -P check_windows_exe.cmake
#
# Each failed check prints one line that starts with the program's name.

cmake_minimum_required(VERSION 3.25)

foreach(variable OBJDUMP EXE MANIFEST)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "check_windows_exe.cmake: ${variable} is not set")
  endif()
endforeach()

cmake_path(GET EXE FILENAME program)
set(failures 0)
macro(fail text)
  message(SEND_ERROR "${program}: ${text}")
  math(EXPR failures "${failures} + 1")
endmacro()

# DLLs that every Windows has, in lower case.
set(system_dlls kernel32.dll msvcrt.dll)

execute_process(COMMAND "${OBJDUMP}" -p "${EXE}"
                OUTPUT_VARIABLE headers RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${program}: ${OBJDUMP} -p failed (${status})")
endif()
string(REPLACE ";" "," headers "${headers}")
string(REPLACE "\n" ";" lines "${headers}")

# Imports: "DLL Name: KERNEL32.dll", one line per DLL.
set(imports "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*DLL Name: (.+)$")
    string(STRIP "${CMAKE_MATCH_1}" dll)
    list(APPEND imports "${dll}")
    string(TOLOWER "${dll}" dll_lower)
    if(NOT dll_lower IN_LIST system_dlls)
      fail("imports ${dll}, which is not a Windows system DLL")
    endif()
  endif()
endforeach()
if(NOT imports)
  fail("no imported DLLs found; is this a Windows program?")
endif()

# Imported functions: "<address>\t <hint>  <name>", one line each.
set(ansi_name_functions
  CommandLineToArgv CopyFile CopyFileEx CreateDirectory CreateFile
  CreateHardLink CreateSymbolicLink DeleteFile FindFirstFile FindFirstFileEx
  FindNextFile GetCommandLine GetCurrentDirectory GetFileAttributes
  GetFileAttributesEx GetFullPathName GetLongPathName GetModuleFileName
  GetShortPathName GetTempFileName GetTempPath MoveFile MoveFileEx
  MoveFileWithProgress RemoveDirectory ReplaceFile SetCurrentDirectory
  SetFileAttributes)
foreach(line IN LISTS lines)
  if(line MATCHES "^\t[0-9a-f]+\t +[0-9]+ +([A-Za-z0-9_]+)A$")
    if(CMAKE_MATCH_1 IN_LIST ansi_name_functions)
      fail("imports ${CMAKE_MATCH_1}A, which takes names in the ANSI code page")
    endif()
  endif()
endforeach()

# Resources: objdump prints the resource tree with entries indented by level:
# three spaces for a type, five for a name or ID within it.
#   018   Entry: ID: 0x00000e, Value: 0x80000058
#   068     Entry: name: [val: 800000b8 len 8]: MAINICON, Value: 0x80000070
set(resources "")
set(type "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-f]+   Entry: ID: 0x0*([0-9a-f]+),")
    set(type "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^[0-9a-f]+     Entry: ID: 0x0*([0-9a-f]+),")
    list(APPEND resources "${type}/${CMAKE_MATCH_1}")
  elseif(line MATCHES "^[0-9a-f]+     Entry: name: [^]]*\\]: ([^,]+),")
    list(APPEND resources "${type}/${CMAKE_MATCH_1}")
  endif()
endforeach()
if(DEFINED ICON AND NOT "e/MAINICON" IN_LIST resources)  # RT_GROUP_ICON: 14
  fail("no group icon named MAINICON (resources: ${resources})")
endif()
if(NOT "18/1" IN_LIST resources)  # RT_MANIFEST is type 24
  fail("no manifest resource 1 (resources: ${resources})")
endif()

# Contents, compared as hexadecimal text; a match must start on a byte.
file(READ "${EXE}" exe_hex HEX)
function(find_bytes hex result)
  string(FIND "${exe_hex}" "${hex}" at)
  math(EXPR odd "${at} % 2")
  if(at LESS 0 OR odd)
    set(${result} FALSE PARENT_SCOPE)
  else()
    set(${result} TRUE PARENT_SCOPE)
  endif()
endfunction()

# The icon file: a directory of four images, each 32 bits per pixel, in the
# order 16, 32, 48 and 256 pixels square (256 stored as 0), the last a PNG.
# Hexadecimal text counts two characters a byte.
function(little_endian hex result)  # the value of little-endian bytes
  set(value 0)
  string(LENGTH "${hex}" length)
  while(length GREATER 0)
    math(EXPR length "${length} - 2")
    string(SUBSTRING "${hex}" ${length} 2 byte)
    math(EXPR value "${value} * 256 + 0x${byte}")
  endwhile()
  set(${result} ${value} PARENT_SCOPE)
endfunction()
if(DEFINED ICON)
  cmake_path(GET ICON FILENAME icon_name)
  file(READ "${ICON}" ico_hex HEX)
  string(SUBSTRING "${ico_hex}" 0 12 ico_head)
  if(NOT ico_head STREQUAL "000001000400")
    message(FATAL_ERROR "${ICON} is not an icon of four pictures")
  endif()
  # The group icon's directory: the same header, then each entry with the
  # picture's resource ID (1 to 4, in order) in place of its file offset.
  set(group "${ico_head}")
  set(id 1)
  foreach(size 10 20 30 00)  # 16, 32, 48, 256
    math(EXPR at "12 + (${id} - 1) * 32")
    string(SUBSTRING "${ico_hex}" ${at} 24 entry)
    if(NOT entry MATCHES "^${size}${size}000001002000")
      message(FATAL_ERROR "${ICON}: picture ${id} is not the one expected "
              "(0x${size} pixels square, 32 bits per pixel)")
    endif()
    math(EXPR at "${at} + 16")
    string(SUBSTRING "${ico_hex}" ${at} 8 length)
    math(EXPR at "${at} + 8")
    string(SUBSTRING "${ico_hex}" ${at} 8 offset)
    little_endian(${length} length)
    little_endian(${offset} offset)
    math(EXPR at "${offset} * 2")
    math(EXPR length "${length} * 2")
    string(SUBSTRING "${ico_hex}" ${at} ${length} picture_hex)
    if(size STREQUAL "00" AND NOT picture_hex MATCHES
       "^89504e470d0a1a0a0000000d494844520000010000000100")
      message(FATAL_ERROR "${ICON}: the 256x256 picture is no PNG of that size")
    endif()
    find_bytes("${picture_hex}" found)
    if(NOT found)
      fail("does not hold picture ${id} of ${icon_name}")
    endif()
    string(APPEND group "${entry}0${id}00")
    math(EXPR id "${id} + 1")
  endforeach()
  find_bytes("${group}" found)
  if(NOT found)
    fail("has no group icon directory for the four pictures of ${icon_name}")
  endif()
endif()

file(READ "${MANIFEST}" manifest_hex HEX)
find_bytes("${manifest_hex}" found)
if(NOT found)
  fail("does not hold the manifest")
endif()
file(READ "${MANIFEST}" manifest)
if(NOT manifest MATCHES "requestedExecutionLevel level=\"asInvoker\"")
  message(FATAL_ERROR "${MANIFEST} does not ask for level asInvoker")
endif()
if(NOT manifest MATCHES "<longPathAware[^>]*>true</longPathAware>")
  message(FATAL_ERROR "${MANIFEST} does not declare longPathAware")
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${program}: ${failures} check(s) failed")
endif()
if(DEFINED ICON)
  message(STATUS "${program}: imports ${imports}; icon, manifest: ok")
else()
  message(STATUS "${program}: imports ${imports}; manifest: ok")
endif()
