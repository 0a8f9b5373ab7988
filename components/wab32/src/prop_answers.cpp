#include "prop_answers.h"

#include <algorithm>
#include <vector>

#include "pdx/status.h"
#include "pdx/tags.h"
#include "pdx_common/prop_answers.h"
#include "session.h"

namespace wab32 {

using namespace pdx;

HRESULT answerProps(const common::PropArray& props, const SPropTagArray* tags, ULONG flags, ULONG* count,
                    SPropValue** values) {
    return common::answerProps(props, tags, flags, wabDomain(), count, values);
}

HRESULT answerPropList(const common::PropArray& props, ULONG flags, SPropTagArray** tags) {
    return common::answerPropList(props, flags, wabDomain(), tags);
}

HRESULT answerProblems(const std::vector<SPropProblem>& problems, SPropProblemArray** out) {
    if (!out) return S_OK;
    *out = nullptr;
    if (problems.empty()) return S_OK;
    void* p = nullptr;
    HRESULT h = wabDomain().allocate(ULONG(cbProblemArray(ULONG(problems.size()))), &p);
    if (FAILED(h)) return h;
    auto* array = static_cast<SPropProblemArray*>(p);
    array->cProblem = ULONG(problems.size());
    std::copy(problems.begin(), problems.end(), array->aProblem);
    *out = array;
    return S_OK;
}

HRESULT answerEntryId(const std::string& id, ULONG* cb, ENTRYID** out) {
    return common::answerEntryId(id, wabDomain(), cb, out);
}

} // namespace wab32
