# Sourced by the window tests: pinned fonts and text settings, so that every
# run draws the same picture (only WenQuanYi Zen Hei is visible; it stands in
# for Tahoma). Usage: pin_window_text <scratch folder>
pin_window_text() {
  local dir=$1
  cat >"$dir/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/wqy</dir>
  <cachedir>$dir/fontcache</cachedir>
</fontconfig>
CONF
  export FONTCONFIG_FILE=$dir/fonts.conf LANG=C.UTF-8 LC_ALL=C.UTF-8
  export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$dir
  unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_FONT_DPI
}
