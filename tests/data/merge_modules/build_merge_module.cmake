# Builds one test merge module from its IDT sources: the cabinet of its files (each stored
# under its File key, as the merge tool expects) in the stream "MergeModule.CABinet", the
# File table with the files' real sizes, and the summary information a module carries (the
# module GUID as its revision number).
#
# cmake -DSOURCE_DIR=<idt folder> -DWORK_DIR=<scratch folder> -DOUTPUT=<module.msm>
#       -DFILES=<File key>=<path>|... -DTITLE=<name> -DMODULE_GUID=<{GUID}>
#       -DMSIBUILD=<msibuild> -DGCAB=<gcab> -P build_merge_module.cmake
foreach(variable SOURCE_DIR WORK_DIR OUTPUT FILES TITLE MODULE_GUID MSIBUILD GCAB)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "build_merge_module: ${variable} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/cabinet ${WORK_DIR}/tables)

string(REPLACE "|" ";" FILES "${FILES}")
file(READ ${SOURCE_DIR}/File.idt.in file_table)
set(cabinet_files)
foreach(entry IN LISTS FILES)
  string(FIND "${entry}" "=" split)
  string(SUBSTRING "${entry}" 0 ${split} key)
  math(EXPR path_start "${split} + 1")
  string(SUBSTRING "${entry}" ${path_start} -1 path)
  file(SIZE ${path} size)
  string(REPLACE "@SIZE:${key}@" "${size}" file_table "${file_table}")
  file(COPY_FILE ${path} ${WORK_DIR}/cabinet/${key})
  list(APPEND cabinet_files ${key})
endforeach()
if(file_table MATCHES "@SIZE:")
  message(FATAL_ERROR "build_merge_module: a File row of ${SOURCE_DIR} has no file")
endif()
file(WRITE ${WORK_DIR}/tables/File.idt "${file_table}")

execute_process(COMMAND ${GCAB} -c -n ${WORK_DIR}/module.cab ${cabinet_files}
                WORKING_DIRECTORY ${WORK_DIR}/cabinet RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "build_merge_module: gcab failed (${result})")
endif()

file(GLOB tables ${SOURCE_DIR}/*.idt)
set(imports)
foreach(table IN LISTS tables)
  list(APPEND imports -i ${table})
endforeach()
file(REMOVE ${OUTPUT}.tmp)
# msibuild takes the summary information only as its last option: a second run sets it.
execute_process(
  COMMAND ${MSIBUILD} ${OUTPUT}.tmp ${imports} -i ${WORK_DIR}/tables/File.idt
          -a MergeModule.CABinet ${WORK_DIR}/module.cab
  RESULT_VARIABLE result)
if(result EQUAL 0)
  execute_process(
    COMMAND ${MSIBUILD} ${OUTPUT}.tmp -s ${TITLE} "Fernclip tests" "Intel;1033" ${MODULE_GUID}
    RESULT_VARIABLE result)
endif()
if(NOT result EQUAL 0)
  message(FATAL_ERROR "build_merge_module: msibuild failed (${result})")
endif()
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
