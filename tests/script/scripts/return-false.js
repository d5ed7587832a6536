alert("clicked");
return false
