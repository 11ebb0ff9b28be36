# Warnings for the project's own targets: project_warnings(<target>)
function(project_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()
