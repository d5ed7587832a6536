// Text dumps of a parsed page for tests and for looking at what the parser
// made: one line per node with its type, the attributes as its record holds
// them and text in quotes; and the declarations computed for each element.
#pragma once

#include <string>

class HtmlElement;
class PageProperties;
class StyleDeclaration;

std::string DumpElementTree(const HtmlElement* root);
// The page-level values: base, target, refresh, colours, counters.
std::string DumpPageProperties(const PageProperties& page);
std::string DescribeDeclaration(const StyleDeclaration& declaration);
std::string DumpComputedStyles(const PageProperties& page, const HtmlElement* root);
