// The Upgrade command and the update run.
#include "app/mian.h"
#include "util/Screen.h"

void updatBtnClick() {
  if (refuseWhenBusy()) return;
  screen::processMessages();
  TUpdateThread run;
  run.Execute();
}

void TUpdateThread::Execute() {
  showBusy();
  // The steps of the run come with the upgrade work.
  hideBusy();
}
