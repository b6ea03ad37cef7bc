# Sourced by play.sh and test.sh: installs the Debian packages the build, the program and the
# tests need, asking apt only when something is missing. Arguments name further packages.
#   build                 build-essential cmake pkg-config
#   program and sound     libsdl2-dev (also brings libx11-dev, which the window test's close
#                         mode compiles against) libopenmpt-dev
#   generated data        libfreetype-dev fonts-dejavu-core; libpng-dev for the storyboard and
#                         the contact sheet
#   unit tests            libgtest-dev (brings googletest)
#   window test (Xvfb)    xvfb xauth (for xvfb-run) xdotool x11-utils (xprop, xwininfo)
# sox, for the optional sonogram target only, is not installed.
#   video capture tests   ffmpeg (qx_test_packages: test.sh only)
#   manual page test      mandoc; menu entry and AppStream tests: desktop-file-utils appstream;
#                         the package test: file dpkg-dev (for cpack's dependency list),
#                         lintian (qx_test_packages)
qx_packages=(
  build-essential cmake pkg-config
  libsdl2-dev libopenmpt-dev
  libfreetype-dev fonts-dejavu-core libpng-dev
  libgtest-dev
  xvfb xauth xdotool x11-utils
)
# Only the tests need these (test.sh): ffmpeg encodes and ffprobe checks a video capture (the
# program itself runs ffmpeg only when asked to capture to a video file); mandoc lints the manual
# page, desktop-file-validate the menu entry, appstreamcli its AppStream description, lintian the
# whole package.
qx_test_packages=(
  ffmpeg
  mandoc
  desktop-file-utils
  appstream
  file
  dpkg-dev
  lintian
)

qx_install_packages() {
  local missing=()
  local package
  for package in "${qx_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
}
