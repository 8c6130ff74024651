# widl 8.0 from wine64-tools; the widl 7.0 of mingw-w64-tools crashes on
# type-library output.
find_program(WIDL_EXECUTABLE widl PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
set(WIDL_IMPORT_DIR /usr/include/wine/wine/windows CACHE PATH "Directory holding oaidl.idl")
set(WIDL_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows CACHE PATH "Directory holding stdole2.tlb")

# widl_generate(<idl> <out-dir> <base>): header, GUIDs and type library.
function(widl_generate idl out_dir base)
  if(TARGET_ARCH STREQUAL "x64")
    set(bits --win64)
  else()
    set(bits --win32)
  endif()
  add_custom_command(
    OUTPUT ${out_dir}/${base}.h ${out_dir}/${base}_i.c ${out_dir}/${base}.tlb
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
    COMMAND ${WIDL_EXECUTABLE} ${bits} -I${WIDL_IMPORT_DIR} -L${WIDL_TLB_DIR}
            -h -H ${out_dir}/${base}.h -u -U ${out_dir}/${base}_i.c
            -t -T ${out_dir}/${base}.tlb ${idl}
    DEPENDS ${idl}
    COMMENT "widl ${base}.idl"
    VERBATIM)
endfunction()
