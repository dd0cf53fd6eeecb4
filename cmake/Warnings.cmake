# Warnings are errors for our own code only; third-party code keeps its flags.
add_library(orlin_warnings INTERFACE)
target_compile_options(orlin_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wundef -Wcast-qual -Wformat=2
  -Wmissing-declarations -Wnull-dereference -Wimplicit-fallthrough -Werror)
