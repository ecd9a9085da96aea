onClipEvent (load) {
  this._x = 0;
}
on (release, keyPress "<Enter>") { gotoAndPlay(2); }
