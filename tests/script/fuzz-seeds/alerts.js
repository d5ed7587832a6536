alert('a' + 1); x = alert; function sq(n) { return n * n } alert(sq(3) < 10)
