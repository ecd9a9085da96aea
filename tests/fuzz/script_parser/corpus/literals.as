o = {a: 1, "b": [1, 2, 3], 4: function () { return new Date().getTime(); }};
for (k in o) { delete o[k]; }
if (!(o instanceof Object)) x >>>= 2; else do { x--; } while (x);
with (mc) { a.b.c(1)(2); }
