#include "engine/ErrorMessages.h"

#include "engine/CMyException.h"
#include "engine/ProjectFileException.h"
#include "engine/ScoreLogException.h"
#include "engine/UnfitCompressorException.h"
#include "resources/strings/StringTable.h"

namespace zentar {

uint32_t MessageIdForCode(int32_t code) {
    switch (code) {
    case 1:
        return IDS_CANNOT_INIT_GRAPH;
    case 5:
        return IDS_CANNOT_OPEN_OUTPUT;
    case 7:
        return IDS_CANNOT_OPEN_INPUT;
    case 9:
        return IDS_WINDOWS_MEDIA_ERROR;
    default:
        return IDS_CANNOT_CONVERT;
    }
}

std::optional<uint32_t> MessageIdForException(const std::exception_ptr& error) {
    if (!error)
        return std::nullopt;
    try {
        std::rethrow_exception(error);
    } catch (const CMyException& e) {
        return MessageIdForCode(e.code());
    } catch (const ProjectFileException&) {
        return IDS_CANNOT_WRITE_PROJECT;
    } catch (const ScoreLogException&) {
        return IDS_CANNOT_WRITE_SCORE_LOG;
    } catch (...) {
    }
    return std::nullopt;
}

std::optional<std::string> MessageForException(const std::exception_ptr& error) {
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const UnfitCompressorException& e) {
        return std::string(e.what());
    } catch (...) {
    }
    const std::optional<uint32_t> id = MessageIdForException(error);
    return id ? std::optional<std::string>(LoadString(*id)) : std::nullopt;
}

} // namespace zentar
