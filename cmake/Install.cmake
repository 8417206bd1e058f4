# What `cmake --install BUILD --prefix PREFIX` (and the package) put beside
# the program (PREFIX/bin/wavelark, from src/app) and the decoder modules
# (PREFIX/lib/wavelark/plugins, from modules/).
file(GLOB wavelark_pictures ${PROJECT_SOURCE_DIR}/pictures/*.xpm)
install(FILES ${wavelark_pictures} DESTINATION ${WAVELARK_DATA_INSTALL_DIR} COMPONENT data)
install(FILES share/example-config DESTINATION ${WAVELARK_DATA_INSTALL_DIR} COMPONENT data)
install(FILES share/wavelark.desktop DESTINATION share/applications COMPONENT data)
install(FILES pictures/wavelark.svg DESTINATION share/icons/hicolor/scalable/apps COMPONENT data)
install(FILES pictures/wavelark-64.png DESTINATION share/icons/hicolor/64x64/apps
        RENAME wavelark.png COMPONENT data)
