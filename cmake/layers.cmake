# Each folder of src/ is a layer and a library of its own, pellumara_<folder>.
# Code includes "folder/file.h"; a layer's headers are reachable only through
# its include root, <build>/layers/<folder>, which holds nothing but a link
# <folder> -> src/<folder>. A library sees the roots of itself and of the
# layers it links, so an include that runs up a layer does not compile:
#   resources             nothing
#   common                resources (the message ids)
#   rules                 common
#   files                 common, rules, resources
#   framework             common, resources
#   integration           common, rules, resources
#   controls              common, rules, framework, resources
#   engine/unpacking      common, rules, files, resources
#   engine/flow           common, rules, files, integration, resources,
#                         engine/unpacking
#   wizard                all of the above
#   app (the program)     all
set(PELLUMARA_LAYER_ROOTS ${CMAKE_BINARY_DIR}/layers)

# pellumara_layer(<folder> [SOURCES files...] [USES folders...])
# Without sources the layer is headers only (an interface library). A wing
# of a layer is a folder below it ("engine/flow"), a library of its own,
# pellumara_engine_flow, whose root holds only that wing: code includes
# "engine/flow/file.h", and a wing sees another only when it uses it.
function(pellumara_layer folder)
  cmake_parse_arguments(arg "" "" "SOURCES;USES" ${ARGN})
  string(REPLACE "/" "_" name ${folder})
  set(root ${PELLUMARA_LAYER_ROOTS}/${name})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  set(target pellumara_${name})
  if(arg_SOURCES)
    add_library(${target} STATIC ${arg_SOURCES})
    target_compile_options(${target} PRIVATE ${PELLUMARA_WARNINGS})
    set(scope PUBLIC)
  else()
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope} ${root})
  if(arg_USES)
    list(TRANSFORM arg_USES REPLACE "/" "_")
    list(TRANSFORM arg_USES PREPEND pellumara_)
    target_link_libraries(${target} ${scope} ${arg_USES})
  endif()
endfunction()
