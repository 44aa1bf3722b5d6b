# What `cmake --install` puts under the prefix, where a Linux desktop looks:
# the program, its icon in the sizes of the hicolor theme (drawn at build
# time from the picture the windows show) and its application entry.
include(GNUInstallDirs)

set(BREVANIX_ICON_SIZES 16 22 24 32 48 64 128 256)
add_executable(brevanix_icons ${PROJECT_SOURCE_DIR}/src/app/MakeIcons.cpp)
target_link_libraries(brevanix_icons PRIVATE brevanix_ui)
target_compile_options(brevanix_icons PRIVATE ${BREVANIX_WARNINGS})

set(BREVANIX_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(BREVANIX_ICON_FILES)
foreach(Size IN LISTS BREVANIX_ICON_SIZES)
  list(APPEND BREVANIX_ICON_FILES ${BREVANIX_ICON_DIR}/hicolor/${Size}x${Size}/apps/brevanix.png)
endforeach()
add_custom_command(
  OUTPUT ${BREVANIX_ICON_FILES}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          $<TARGET_FILE:brevanix_icons> ${BREVANIX_ICON_DIR} ${BREVANIX_ICON_SIZES}
  DEPENDS brevanix_icons
  COMMENT "Drawing the program's icons")
add_custom_target(brevanix_icon_files ALL DEPENDS ${BREVANIX_ICON_FILES})

install(TARGETS brevanix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${BREVANIX_ICON_DIR}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${PROJECT_SOURCE_DIR}/data/brevanix.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# cmake --install into a temporary prefix, checked as a desktop would see it.
add_test(NAME install_prefix
         COMMAND xvfb-run -a -s "-ac -screen 0 1280x1024x24"
                 bash ${PROJECT_SOURCE_DIR}/tests/install/InstallTest.sh ${CMAKE_BINARY_DIR})
set_tests_properties(install_prefix PROPERTIES TIMEOUT 180)
