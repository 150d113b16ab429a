# The floors of the libraries, bottom to top (docs/architecture.md gives the reason for each). A library
# uses only libraries on floors below its own: configuring fails on a link that breaks the order, and the
# test layering_includes (NovawickIncludeFloors.cmake) fails on an include that does. That script reads
# this file too, so nothing here runs a project command until a project includes it.

# Folder and floor. Every library has a folder of its own; a folder inside another one
# (QuilletApi/records) is a library of its own too.
set(NOVAWICK_FLOORS
  base 0
  html 1
  net 1
  zip 1
  QuilletApi/records 2
  QuilletApi/Content 2
  epub 3
  pages 4
  QuilletApi 5
  mirror 5
  app 6
  demo/loopback 6
  demo 7)

# Folders above every floor: they may use any library, and no library may use them.
set(NOVAWICK_ABOVE_FLOORS tests bench fuzz)

# html is one library, but its folders keep an order of their own: the document model at the bottom, the
# parser and the selector engine above it.
set(NOVAWICK_INNER_FLOORS
  html/nodes 0
  html/parser 1
  html/select 1)

# Includes that break the order today, as "file -> header", each kept only until the work that removes it.
# None today.
set(NOVAWICK_FLOOR_EXCEPTIONS "")

# novawick_floor_of(PATH TABLE FOLDER_VAR FLOOR_VAR): the folder of TABLE (a list of folder-floor pairs)
# that holds PATH, the innermost one, and its floor; both empty when none does.
function(novawick_floor_of path table folder_var floor_var)
  set(best_folder "")
  set(best_floor "")
  set(pairs ${${table}})
  list(LENGTH pairs count)
  math(EXPR last "${count} - 1")
  foreach(index RANGE 0 ${last} 2)
    math(EXPR floor_index "${index} + 1")
    list(GET pairs ${index} folder)
    list(GET pairs ${floor_index} floor)
    string(LENGTH "${folder}" folder_length)
    string(LENGTH "${best_folder}" best_length)
    if((path STREQUAL folder OR path MATCHES "^${folder}/") AND folder_length GREATER best_length)
      set(best_folder "${folder}")
      set(best_floor "${floor}")
    endif()
  endforeach()
  set(${folder_var} "${best_folder}" PARENT_SCOPE)
  set(${floor_var} "${best_floor}" PARENT_SCOPE)
endfunction()

# Every target below `directory`, its subdirectories included.
function(novawick_collect_targets directory result)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    novawick_collect_targets(${subdirectory} nested)
    list(APPEND targets ${nested})
  endforeach()
  set(${result} ${targets} PARENT_SCOPE)
endfunction()

# Every library target below `directory`, its subdirectories included.
function(novawick_collect_libraries directory result)
  novawick_collect_targets(${directory} targets)
  set(libraries "")
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(STATIC|SHARED|MODULE|OBJECT|INTERFACE)_LIBRARY$")
      list(APPEND libraries ${target})
    endif()
  endforeach()
  set(${result} ${libraries} PARENT_SCOPE)
endfunction()

# Checks, once every folder is configured, that each library outside tests/, bench/ and fuzz/ has a folder
# of its own on a floor, and links no library on its own floor or above.
function(novawick_check_library_floors)
  novawick_collect_libraries(${CMAKE_SOURCE_DIR} libraries)
  set(broken "")
  set(floored "")
  set(folders_taken "")
  foreach(library IN LISTS libraries)
    get_target_property(directory ${library} SOURCE_DIR)
    file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${directory})
    string(REGEX REPLACE "/.*" "" top "${folder}")
    if(top IN_LIST NOVAWICK_ABOVE_FLOORS)
      set(above_${library} TRUE)
      continue()
    endif()
    novawick_floor_of("${folder}" NOVAWICK_FLOORS floor_folder floor)
    if(NOT floor_folder STREQUAL folder)
      list(APPEND broken "${library} (${folder}/) is on no floor: give its folder one in cmake/NovawickFloors.cmake")
      continue()
    endif()
    if(DEFINED owner_${folder})
      list(APPEND broken "${library} and ${owner_${folder}} share ${folder}/: give each library a folder of its own")
      continue()
    endif()
    set(owner_${folder} ${library})
    set(floor_${library} ${floor})
    list(APPEND floored ${library})
  endforeach()
  foreach(library IN LISTS floored)
    get_target_property(direct ${library} LINK_LIBRARIES)
    get_target_property(interface ${library} INTERFACE_LINK_LIBRARIES)
    set(links "")
    foreach(item IN LISTS direct interface)
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
      if(item AND TARGET ${item} AND NOT item IN_LIST links)
        list(APPEND links ${item})
      endif()
    endforeach()
    foreach(dependency IN LISTS links)
      if(above_${dependency})
        list(APPEND broken "${library} links ${dependency}, which stands above every floor")
      elseif(DEFINED floor_${dependency} AND NOT floor_${dependency} LESS floor_${library})
        set(line "${library} (floor ${floor_${library}}) links ${dependency} (floor ${floor_${dependency}})")
        list(APPEND broken "${line}: a library links only libraries on floors below its own")
      endif()
    endforeach()
  endforeach()
  if(broken)
    foreach(line IN LISTS broken)
      message("layering: ${line}")
    endforeach()
    message(FATAL_ERROR "libraries break the floors of cmake/NovawickFloors.cmake, as the lines above say")
  endif()
endfunction()

if(NOT CMAKE_SCRIPT_MODE_FILE)
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL novawick_check_library_floors)
endif()
