# A layer made of parts: each part directory holds a Sources.cmake that
# appends its files to <layer>_SOURCES (paths relative to the layer) and its
# libraries to <layer>_LIBS. Parts are listed explicitly by each layer.
macro(lumra_collect_parts layer)
  set(${layer}_SOURCES "")
  set(${layer}_LIBS "")
  foreach(part ${ARGN})
    include(${CMAKE_CURRENT_SOURCE_DIR}/${part}/Sources.cmake)
  endforeach()
endmacro()
