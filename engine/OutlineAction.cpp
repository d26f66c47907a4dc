// SPDX-License-Identifier: Apache-2.0
#include "engine/private/OutlineAction.h"
#include "engine/private/BoundedText.h"

#include <algorithm>
#include <new>
#include <set>
#include <stdexcept>

namespace pdf {

namespace {

constexpr int kMaxNesting = 32;

struct OverBudget : std::runtime_error
{
    OverBudget()
        : std::runtime_error("over budget")
    { }
};

// Makes a direct, self-contained copy of an action: indirect objects inlined, a /JS stream turned
// into its script text, any other stream (a file embedded in the action's file entry) left out.
class Detacher
{
public:
    Detacher(OutlineAction::Budget& budget, bool withNext)
        : m_budget(budget)
        , m_withNext(withNext)
    { }

    QPDFObjectHandle Copy(QPDFObjectHandle o, const std::string& key, int depth)
    {
        if (--m_budget.objects < 0 || ++m_objects > OutlineAction::kMaxObjects)
            throw OverBudget();
        if (depth > kMaxNesting)
            return QPDFObjectHandle::newNull();
        const bool indirect = o.isIndirect();
        if (indirect && !m_path.insert(o.getObjGen()).second)
            return QPDFObjectHandle::newNull();
        QPDFObjectHandle copy = CopyValue(o, key, depth);
        if (indirect)
            m_path.erase(o.getObjGen());
        return copy;
    }

private:
    QPDFObjectHandle CopyValue(QPDFObjectHandle o, const std::string& key, int depth)
    {
        if (o.isStream())
            return key == "/JS" ? Script(o) : QPDFObjectHandle::newNull();
        if (o.isDictionary()) {
            QPDFObjectHandle d = QPDFObjectHandle::newDictionary();
            for (auto& [k, v] : o.ditems()) {
                if (k == "/Next" && !m_withNext)
                    continue;
                QPDFObjectHandle value = Copy(v, k, depth + 1);
                if (!value.isNull())
                    d.replaceKey(k, value);
            }
            return d;
        }
        if (o.isArray()) {
            QPDFObjectHandle a = QPDFObjectHandle::newArray();
            for (auto& item : o.aitems())
                a.appendItem(Copy(item, key, depth + 1));
            return a;
        }
        if (o.isBool())
            return QPDFObjectHandle::newBool(o.getBoolValue());
        if (o.isInteger())
            return QPDFObjectHandle::newInteger(o.getIntValue());
        if (o.isReal())
            return QPDFObjectHandle::newReal(o.getRealValue());
        if (o.isName())
            return QPDFObjectHandle::newName(o.getName());
        if (o.isString())
            return QPDFObjectHandle::newString(o.getStringValue());
        return QPDFObjectHandle::newNull();
    }

    QPDFObjectHandle Script(QPDFObjectHandle stream)
    {
        BoundedText text(std::min(OutlineAction::kMaxScriptBytes, m_budget.scriptBytes));
        bool decoded = false;
        try {
            const bool ok = stream.pipeStreamData(&text, &decoded, 0, qpdf_dl_generalized, true, false);
            decoded = decoded && ok;
        } catch (const BoundedText::OverLimit&) {
            m_budget.scriptBytes -= text.text.size();
            throw OverBudget();
        }
        m_budget.scriptBytes -= text.text.size();
        // NOTE: a script whose filter qpdf cannot undo would arrive as compressed bytes that no
        // viewer could run; such an action is not carried rather than carried broken.
        if (!decoded)
            throw OverBudget();
        return QPDFObjectHandle::newString(text.text);
    }

    OutlineAction::Budget& m_budget;
    bool m_withNext;
    int m_objects = 0;
    std::set<QPDFObjGen> m_path;
};

std::string NameOf(QPDFObjectHandle o)
{
    return o.isName() ? o.getName() : std::string();
}

} // namespace

bool OutlineAction::Read(QPDFObjectHandle action, Bookmark& b, Budget& budget)
{
    if (!action.isDictionary())
        return false;
    const std::string kind = NameOf(action.getKey("/S"));
    if (kind == "/Named") {
        const std::string name = NameOf(action.getKey("/N"));
        if (name.size() < 2)
            return false;
        b.fields["Action"] = "Named";
        b.fields["Named"] = name.substr(1);
        return true;
    }
    if (kind != "/GoToR" && kind != "/Launch" && kind != "/JavaScript")
        return false;
    QPDFObjectHandle copy;
    // NOTE: a chain of follow-up actions that is too long or damaged costs the chain, not the action
    // itself; a damaged script costs the action, never the outline.
    for (bool withNext : {true, false}) {
        try {
            copy = Detacher(budget, withNext).Copy(action, std::string(), 0);
            break;
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception&) {
            copy = QPDFObjectHandle();
        }
    }
    if (!copy.isInitialized() || (kind == "/JavaScript" && !copy.getKey("/JS").isString()))
        return false;
    b.fields["Action"] = kind.substr(1);
    b.fields["ActionData"] = copy.unparse();
    return true;
}

QPDFObjectHandle OutlineAction::Make(const Bookmark& b)
{
    auto action = b.fields.find("Action");
    if (action == b.fields.end())
        return QPDFObjectHandle::newNull();
    if (action->second == "Named") {
        auto name = b.fields.find("Named");
        if (name == b.fields.end() || name->second.empty())
            return QPDFObjectHandle::newNull();
        QPDFObjectHandle a = QPDFObjectHandle::newDictionary();
        a.replaceKey("/S", QPDFObjectHandle::newName("/Named"));
        a.replaceKey("/N", QPDFObjectHandle::newName("/" + name->second));
        return a;
    }
    if (action->second != "GoToR" && action->second != "Launch" && action->second != "JavaScript")
        return QPDFObjectHandle::newNull();
    auto data = b.fields.find("ActionData");
    if (data == b.fields.end())
        return QPDFObjectHandle::newNull();
    try {
        QPDFObjectHandle a = QPDFObjectHandle::parse(data->second, "outline action");
        if (a.isDictionary() && NameOf(a.getKey("/S")) == "/" + action->second)
            return a;
    } catch (const std::exception&) {
        // NOTE: a caller may have built the text itself; a text that does not parse leaves the
        // entry a heading rather than failing the write.
    }
    return QPDFObjectHandle::newNull();
}

} // namespace pdf
