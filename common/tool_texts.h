#ifndef QMX_COMMON_TOOL_TEXTS_H_
#define QMX_COMMON_TOOL_TEXTS_H_

#include "common/tool.h"

namespace qmx {

/// The fixed console texts of the four tools.
extern const ToolTexts kGyrelTexts;
extern const ToolTexts kShovanTexts;
extern const ToolTexts kSniplaTexts;
extern const ToolTexts kFliptaTexts;

}  // namespace qmx

#endif  // QMX_COMMON_TOOL_TEXTS_H_
