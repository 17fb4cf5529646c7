find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets Svg DBus LinguistTools)
find_package(PkgConfig REQUIRED)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET
  libavformat libavcodec libavutil libswscale libswresample libavdevice)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(LIBSECRET REQUIRED IMPORTED_TARGET libsecret-1)
pkg_check_modules(XRANDR REQUIRED IMPORTED_TARGET xrandr x11)
pkg_check_modules(LIBUDEV REQUIRED IMPORTED_TARGET libudev)
find_package(Threads REQUIRED)
