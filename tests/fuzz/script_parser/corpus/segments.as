maxw = 10;
for (i = 1; i <= maxw; i++) {
  progress["seg" + i]._visible = false;
  progress["bseg" + i]._visible = false;
}
