// The Backup command.
#include "app/mian.h"
#include "util/Screen.h"

void bfBtnClick() {
  if (refuseWhenBusy()) return;
  showBusy();
  screen::processMessages();
  hideBusy();
}
