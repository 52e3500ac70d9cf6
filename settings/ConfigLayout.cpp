#include "settings/ConfigLayout.h"

#include <cstddef>

namespace {

// Deeper nesting is left as loaded: the layout text of a level grows with its depth, so a hostile file of
// deep nesting would cost memory quadratic in its size.
constexpr std::size_t kMaxLaidOutDepth = 32;

std::size_t EnclosingElements(pugi::xml_node Node) {
    std::size_t count = 0;
    for (pugi::xml_node up = Node.parent(); up && up.type() == pugi::node_element; up = up.parent()) {
        ++count;
    }
    return count;
}

std::string ClosingIndent(std::size_t Depth) {
    return kLineBreak + std::string(Depth, '\t');
}

void SetLayoutText(pugi::xml_node Node, const std::string& Text) {
    Node.set_value(Text.c_str());
}

bool HasOnlyElementChildren(pugi::xml_node Node) {
    if (!Node.first_child()) {
        return false;
    }
    for (pugi::xml_node child : Node.children()) {
        if (child.type() != pugi::node_element) {
            return false;
        }
    }
    return true;
}

// The layout AppendWithLayout gives children appended one by one: the indent of the closing tag first, then
// a tab before and the closing indent after each child.
void LayOutChildren(pugi::xml_node Parent, std::size_t Depth) {
    const std::string closingIndent = ClosingIndent(Depth);
    SetLayoutText(Parent.prepend_child(pugi::node_pcdata), closingIndent);
    for (pugi::xml_node child = Parent.first_child().next_sibling(); child;) {
        const pugi::xml_node next = child.next_sibling();
        SetLayoutText(Parent.insert_child_before(pugi::node_pcdata, child), "\t");
        SetLayoutText(Parent.insert_child_after(pugi::node_pcdata, child), closingIndent);
        child = next;
    }
}

} // namespace

pugi::xml_node AppendWithLayout(pugi::xml_node Parent, const std::string& Name) {
    const std::string closingIndent = ClosingIndent(EnclosingElements(Parent));
    if (!Parent.first_child()) {
        SetLayoutText(Parent.append_child(pugi::node_pcdata), closingIndent);
    }
    SetLayoutText(Parent.append_child(pugi::node_pcdata), "\t");
    pugi::xml_node element = Parent.append_child(pugi::node_element);
    element.set_name(Name.c_str());
    SetLayoutText(Parent.append_child(pugi::node_pcdata), closingIndent);
    return element;
}

void RemoveWithLayout(pugi::xml_node Element) {
    pugi::xml_node parent = Element.parent();
    if (!parent) {
        return;
    }
    // The tab before it and the line break after it are its own; the line break before it closes the
    // previous sibling's line (or opens the parent's first line).
    const pugi::xml_node before = Element.previous_sibling();
    const pugi::xml_node after = Element.next_sibling();
    if (before && before.type() == pugi::node_pcdata && before.value() == std::string("\t")) {
        parent.remove_child(before);
    }
    if (after && after.type() == pugi::node_pcdata) {
        parent.remove_child(after);
    }
    parent.remove_child(Element);
    for (pugi::xml_node child : parent.children()) {
        if (child.type() != pugi::node_pcdata) {
            return;
        }
    }
    while (parent.first_child()) {
        parent.remove_child(parent.first_child());
    }
}

void LayOutLoadedTree(pugi::xml_node Root) {
    if (!Root || Root.type() != pugi::node_element) {
        return;
    }
    // A walk without recursion (a hostile file may nest deeply), laying out each element before visiting its
    // children; the text nodes it adds are skipped on the way.
    pugi::xml_node node = Root;
    std::size_t depth = EnclosingElements(Root);
    while (node) {
        const bool deeper = depth < kMaxLaidOutDepth;
        if (deeper && HasOnlyElementChildren(node)) {
            LayOutChildren(node, depth);
        }
        pugi::xml_node firstElement;
        if (deeper) {
            for (pugi::xml_node child : node.children()) {
                if (child.type() == pugi::node_element) {
                    firstElement = child;
                    break;
                }
            }
        }
        if (firstElement) {
            node = firstElement;
            ++depth;
            continue;
        }
        // Up until a later sibling element is found, never above Root.
        while (node && node != Root) {
            pugi::xml_node sibling = node.next_sibling();
            while (sibling && sibling.type() != pugi::node_element) {
                sibling = sibling.next_sibling();
            }
            if (sibling) {
                node = sibling;
                break;
            }
            node = node.parent();
            --depth;
        }
        if (node == Root) {
            break;
        }
    }
}
