# The module's named resources: every resources/*.bmp and resources/*.dfm is compiled into the
# given target as a constant table of byte arrays, named by its file name without extension
# in upper case (ZGArrow.bmp -> "ZGARROW"). Run with -P, the file generates that table.

if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.25)
  string(REPLACE "|" ";" inputs "${INPUTS}")
  set(arrays "")
  set(entries "")
  set(names "")
  set(index 0)
  foreach(input IN LISTS inputs)
    get_filename_component(name "${input}" NAME_WE)
    string(TOUPPER "${name}" name)
    if(name IN_LIST names)
      message(FATAL_ERROR "Two resources are named ${name}")
    endif()
    list(APPEND names ${name})
    file(READ "${input}" hex HEX)
    string(LENGTH "${hex}" length)
    if(length EQUAL 0)
      message(FATAL_ERROR "Resource file ${input} is empty")
    endif()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " bytes "${bytes}")
    string(APPEND arrays "const std::uint8_t Data${index}[] = {\n    ${bytes}\n};\n")
    list(APPEND entries "${name}|${index}")
    math(EXPR index "${index} + 1")
  endforeach()
  # Sorted by name so that lookups can search the table.
  list(SORT entries)
  set(table "")
  foreach(entry IN LISTS entries)
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 i)
    string(APPEND table "    {\"${name}\", Data${i}, sizeof Data${i}},\n")
  endforeach()
  file(WRITE "${OUTPUT}.tmp" "// Generated from resources/ by EmbedResources.cmake; do not edit.
#include \"host/streaming/Resources.h\"

namespace {
${arrays}
const TResourceEntry Table[] = {
${table}    {nullptr, nullptr, 0},
};
} // namespace

std::span<const TResourceEntry> ResourceTable()
{
    return {Table, ${index}};
}
")
  file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
  file(REMOVE "${OUTPUT}.tmp")
  return()
endif()

function(zel_embed_resources TARGET)
  file(GLOB inputs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.bmp ${CMAKE_SOURCE_DIR}/resources/*.dfm)
  list(SORT inputs)
  string(REPLACE ";" "|" joined "${inputs}")
  set(output ${CMAKE_CURRENT_BINARY_DIR}/ResourceData.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} "-DINPUTS=${joined}" -DOUTPUT=${output} -P ${CMAKE_SOURCE_DIR}/resources/EmbedResources.cmake
    DEPENDS ${inputs} ${CMAKE_SOURCE_DIR}/resources/EmbedResources.cmake
    COMMENT "Embedding the module's resources"
    VERBATIM)
  target_sources(${TARGET} PRIVATE ${output})
endfunction()
