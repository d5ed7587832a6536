s = 'a,b,,c'.split(',').join('-').bold().substring(2, 9).toUpperCase();
n = parseInt('-0x1f', 16) + parseFloat('1.5e3') + Math.round(Math.random() * 10) + Math.max(1, Math.pow(2, 8));
d = new Date(1995, 11, 25, 13, 30, 15); d.setMonth(1); d.setYear(96);
t = d.toGMTString() + Date.UTC(2000, 1, 29, 12, 30, 15) + Date.parse('Mon, 25 Dec 1995 13:30:00 +0430');
a = new Array('b', 'a', 'c'); a.sort(); a.reverse(); x = a.join();
f = new Function('a', 'return a * 2'); y = f(4) + escape('a b') + unescape('%41') + isNaN(0/0);
z = 'abcabc'.lastIndexOf('b', 3) + 'abc'.charAt(1).anchor('n').link('u') + new String('q').length;
