# The probe programs built as they were for the recording (MinGW, the
# system's <windows.h>, gdi32 and user32) and run under the Windows build's
# test runner. Every family must reproduce its vectors exactly.
function(zelt_add_windows_probe target source)
  add_executable(${target} ${source})
  set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C C_STANDARD 11)
  target_compile_options(${target} PRIVATE -w)
  target_link_libraries(${target} PRIVATE gdi32 user32)
endfunction()

# The runner's words (Wine and its prefix when cross-built), handed to the
# checker, which runs the programs through them. The checker itself is
# started by path: ctest would run the imported interpreter target through
# the runner as well.
set(_runner)
foreach(_word IN LISTS CMAKE_CROSSCOMPILING_EMULATOR)
  list(APPEND _runner --runner ${_word})
endforeach()
# Raster probes: each one's output is its vector file, byte for byte. One
# test runs them all, as a Wine server started cold costs seconds each time.
set(_runs)
foreach(_pair p_muldiv=muldiv p_objects=objects p_stretchdib=stretchdibits p_stretchmap=stretch_map
              p_rop3=rop3 p_mono=mono_color p_pattern=pattern_brush p_palette=palette
              p_getdibits=getdibits p_devcaps=devcaps)
  string(REPLACE "=" ";" _pair ${_pair})
  list(GET _pair 0 _probe)
  list(GET _pair 1 _vector)
  zelt_add_windows_probe(probe_raster_${_probe} ${ZELT_PROBES}/raster/${_probe}.c)
  list(APPEND _runs -- --stdout ${_vector}.json $<TARGET_FILE:probe_raster_${_probe}>)
endforeach()
list(POP_FRONT _runs)
add_test(NAME probe.raster
         COMMAND ${Python3_EXECUTABLE} ${_check} ${_runner} files ${ZELT_VECTORS}/raster "*.json" ${_runs})
set(_tests probe.raster)

# The region vectors are the probes' output finished by the recording's own
# script (normalised rows, model checks, flags), so the seven runs go through
# it and the seven files it writes are compared.
set(_runs)
foreach(_probe probe_shapes probe_combine probe_ops probe_draw)
  zelt_add_windows_probe(${_probe} ${ZELT_PROBES}/regions/${_probe}.c)
endforeach()
foreach(_family rect ellipse roundrect polygon)
  list(APPEND _runs -- --stdout ${_family}.json $<TARGET_FILE:probe_shapes> ${_family})
endforeach()
foreach(_family combine ops draw)
  list(APPEND _runs -- --stdout ${_family}.json $<TARGET_FILE:probe_${_family}>)
endforeach()
list(POP_FRONT _runs)
add_test(NAME probe.regions
         COMMAND ${Python3_EXECUTABLE} ${_check} ${_runner} files ${ZELT_VECTORS}/regions "*.json"
                 --finish ${ZELT_PROBES}/regions/finish_vectors.py ${_runs})
list(APPEND _tests probe.regions)

# Metafile, window, clipboard and kernel32 probes write their files into the
# directory they run in; each writes the recorded files of its prefix.
# GlobalAlloc of 2^46 bytes failed on the recording's machine (NULL, out of
# memory); on a larger one Wine reserves the range and fills gigabytes of
# page bookkeeping for it, so the runs get an address space of 8 GiB, in
# which it fails as recorded. The measured length of a Sleep(50) is the
# machine's.
foreach(_probe wmf emf kernel clip user)
  zelt_add_windows_probe(probe_${_probe} ${ZELT_PROBES}/meta_user/probe_${_probe}.c)
endforeach()
add_test(NAME probe.meta_user
         COMMAND ${Python3_EXECUTABLE} ${_check} ${_runner} --address-space 8192
                 files ${ZELT_VECTORS}/meta_user "wmf_*,emf_*,kernel_*"
                 --ignore kernel_misc.json:GetTickCount.elapsed_over_Sleep_50
                 $<TARGET_FILE:probe_wmf> -- $<TARGET_FILE:probe_emf> -- $<TARGET_FILE:probe_kernel>)
list(APPEND _tests probe.meta_user)
# Everything above ran without a display, as recorded.
set_tests_properties(${_tests} PROPERTIES ENVIRONMENT_MODIFICATION "DISPLAY=unset:" TIMEOUT 300)

# The window and clipboard probes were recorded on a screen of their own
# (tests/windows/on_screen.sh); they share a Wine prefix that nothing else
# uses, one at a time.
find_program(ZELT_XVFB Xvfb)
foreach(_pair clip=clipboard user=user)
  string(REPLACE "=" ";" _pair ${_pair})
  list(GET _pair 0 _probe)
  list(GET _pair 1 _prefix)
  if(NOT ZELT_XVFB OR NOT CMAKE_CROSSCOMPILING)
    add_test(NAME probe.meta_user.${_probe} COMMAND ${CMAKE_COMMAND} -E echo "skipped: needs Xvfb under Wine")
    set_tests_properties(probe.meta_user.${_probe} PROPERTIES SKIP_REGULAR_EXPRESSION "skipped:")
    continue()
  endif()
  add_test(NAME probe.meta_user.${_probe}
           COMMAND ${Python3_EXECUTABLE} ${_check} --runner sh --runner ${CMAKE_CURRENT_SOURCE_DIR}/wine-x11.sh
                   --runner ${CMAKE_BINARY_DIR}/wine-prefix-24
                   files ${ZELT_VECTORS}/meta_user "${_prefix}_*" $<TARGET_FILE:probe_${_probe}>)
  set_tests_properties(probe.meta_user.${_probe} PROPERTIES RESOURCE_LOCK wine-prefix-24 TIMEOUT 300)
endforeach()
