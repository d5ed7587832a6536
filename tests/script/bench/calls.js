// Function calls.
function add(x, y) {
    return x + y;
}
function fib(n) {
    if (n < 2) return n;
    return fib(n - 1) + fib(n - 2);
}
s = 0;
for (i = 0; i < 2400000; i++) s = add(s, i);
s + fib(26)
