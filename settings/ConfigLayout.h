#pragma once
// The layout of settings.xml: each element on a line of its own, indented by one tab per enclosing element,
// lines ended with CR LF. Elements appended in a run and elements loaded from a file are laid out alike, so a
// file saved twice reads the same as a file saved once.

#include <pugixml.hpp>

#include <string>

// The line break settings.xml is written with.
inline constexpr const char* kLineBreak = "\r\n";

// Appends a new element named Name as the last child of Parent (an element), with the layout text that puts
// it on a line of its own and keeps Parent's closing tag on a line of its own. Throws std::bad_alloc only.
pugi::xml_node AppendWithLayout(pugi::xml_node Parent, const std::string& Name);

// Removes Element from its parent with the layout text AppendWithLayout put around it; a parent left without
// elements loses its layout text too. Never throws.
void RemoveWithLayout(pugi::xml_node Element);

// Lays out a tree as loaded (whitespace-only text already dropped) the way AppendWithLayout would have built
// it: every element below Root, Root included, whose children are all elements gets the same layout text.
// Elements that also hold text are left as they are, and so is everything nested deeper than a sane bound
// (no settings file nests more than a few levels). Throws std::bad_alloc only.
void LayOutLoadedTree(pugi::xml_node Root);
