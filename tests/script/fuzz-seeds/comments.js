<!-- hidden
if (a) b(); else { c = d ? e : f } /* c */ // end
