function f(a, b) {
  var t = a + b * 2;
  return t > 3 ? t : -t;
}
for (var i = 0; i < 10; i++) { trace(f(i, i)); }
