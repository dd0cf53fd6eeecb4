// Linux: the platform subset is built from the units listed in CMakeLists.txt.
