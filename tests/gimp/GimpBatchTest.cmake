# One case of the plug-in tests (cmake -P; see CMakeLists.txt for the variables): installs the
# plug-in into a fresh GIMP folder, runs one gimp-console batch, and compares the new layer
# with veltrix-render's picture of the same settings and seed.
cmake_minimum_required(VERSION 3.25)
if(NOT GIMP OR NOT EXISTS "${GIMP}")
  message(FATAL_ERROR "gimp-console-2.10 was not found: install the gimp package "
    "(tools/install-deps.sh) and configure again; the plug-in cannot be tested without it")
endif()

# Settings in the procedure's parameter order: type guide curvature p1 p2 p3 size hardness
# fluction in out asdist easing position posfluct length lenfluct spacing spcfluct lengain
# spcgain connect seed.
set(radiate 0 :S 0 80,60 80,40 80,5 4 0.5 0.3 300 300 0 1 0 0.2 10 0.5 40 0.3 0 0 0
  12345678901234567890)
set(parallel 1 :C 0.5 10,10 150,10 10,110 3 0.8 0 5 10 1 0 2 0 20 0 6 0.5 0.1 0 1 42)
set(circle 2 :S 0.2 40,60 120,60 80,25 3 0.6 0.2 200 400 0 0 0 0 15 0.3 8 0.2 0.5 1 0 7)
set(keys type guide curvature p1 p2 p3 size hardness fluction in out asdist easing position
  posfluct length lenfluct spacing spcfluct lengain spcgain connect seed)

# The same settings as a Script-Fu list and as veltrix-render options.
function(settings name)
  set(scheme "")
  set(options "")
  foreach(key value IN ZIP_LISTS keys ${name})
    if(key STREQUAL "type")
      set(words radiate parallel circle)
      list(GET words ${value} word)
      list(APPEND options --type ${word})
    elseif(key MATCHES "^(guide|seed)$")
      string(APPEND scheme " \"${value}\"")
      list(APPEND options --${key} ${value})
      continue()
    elseif(key MATCHES "^p[123]$")
      string(REPLACE "," " " value_xy "${value}")
      string(APPEND scheme " ${value_xy}")
      list(APPEND options --${key} ${value})
      continue()
    elseif(key MATCHES "^(asdist|easing|connect)$")
      if(value)
        list(APPEND options --${key})
      else()
        list(APPEND options --no-${key})
      endif()
    else()
      list(APPEND options --${key} ${value})
    endif()
    string(APPEND scheme " ${value}")
  endforeach()
  set(scheme "(list${scheme})" PARENT_SCOPE)
  set(options "${options}" PARENT_SCOPE)
endfunction()

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out
    ERROR_VARIABLE out TIMEOUT 120)
  if(NOT result EQUAL 0 OR out MATCHES "execution error")
    message(FATAL_ERROR "${what} failed (${result}):\n${out}")
  endif()
  message(STATUS "${what}:\n${out}")
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
set(home "${WORK_DIR}/home")
set(gimp_dir "${home}/gimp")
# A GIMP folder that exists is taken as set up: it needs the data folders GIMP writes to.
foreach(folder brushes dynamics fonts gradients palettes patterns tool-presets scripts templates
    plug-ins/veltrix-gimp)
  file(MAKE_DIRECTORY "${gimp_dir}/${folder}")
endforeach()
file(MAKE_DIRECTORY "${home}/data" "${home}/config" "${home}/cache")
file(COPY_FILE "${PLUGIN}" "${gimp_dir}/plug-ins/veltrix-gimp/veltrix-gimp")
set(env ${CMAKE_COMMAND} -E env HOME=${home} GIMP2_DIRECTORY=${gimp_dir}
  XDG_DATA_HOME=${home}/data XDG_CONFIG_HOME=${home}/config XDG_CACHE_HOME=${home}/cache
  --unset=DISPLAY)

set(gray "#f")
set(selection "#f")
set(color "#000000")
set(color_scheme "'(0 0 0)")
if(CASE STREQUAL "rgb")
  settings(radiate)
  set(color "#c03010")
  set(color_scheme "'(192 48 16)")
elseif(CASE STREQUAL "gray")
  settings(parallel)
  set(gray "#t")
elseif(CASE STREQUAL "selection")
  settings(circle)
  set(selection "'(60 10 70 90)")
  set(color "#2040ff")
  set(color_scheme "'(32 64 255)")
endif()
if(CASE STREQUAL "bad-calls")
  settings(radiate)
  set(good "${scheme}")
  set(bad "")
  # An unknown type, a negative size, an in beyond 1000 thousandths, a seed with a letter.
  foreach(change "^\\(list 0 /(list 7 " " 4 0.5 / -1 0.5 " " 300 300 0 / 2000 300 0 "
      "\"[0-9]+\"\\)$/\"12x\")")
    string(REPLACE "/" ";" change "${change}")
    list(GET change 0 from)
    list(GET change 1 to)
    string(REGEX REPLACE "${from}" "${to}" changed "${good}")
    if(changed STREQUAL good)
      message(FATAL_ERROR "bad-call pattern '${from}' matched nothing")
    endif()
    string(APPEND bad " ${changed}")
  endforeach()
  set(call "(veltrix-bad-calls \"${WORK_DIR}\" ${good} (list${bad}))")
else()
  set(call "(veltrix-case \"${WORK_DIR}\" ${gray} ${color_scheme} ${selection} ${scheme})")
endif()

string(TIMESTAMP start "%s")
run("gimp-console batch" ${env} "${GIMP}" -i -d -f
  -b "(begin (load \"${SCRIPTS}/cases.scm\") ${call})" -b "(gimp-quit 0)")
string(TIMESTAMP end "%s")
math(EXPR seconds "${end} - ${start}")
message(STATUS "batch took ${seconds} s")

set(base "${WORK_DIR}/base.png")
if(CASE STREQUAL "selection")
  set(base "${WORK_DIR}/masked.png")
endif()
run("veltrix-render" ${env} "${RENDER}" -q --color ${color} ${options} "${base}"
  "${WORK_DIR}/expected.png")
run("comparison" "${COMPARE}" "${WORK_DIR}/out.png" "${WORK_DIR}/expected.png")
