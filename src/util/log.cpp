#include "util/log.h"

Q_LOGGING_CATEGORY(lcConfig, "kelp.config", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPlatform, "kelp.platform", QtInfoMsg)
Q_LOGGING_CATEGORY(lcStudy, "kelp.study", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSession, "kelp.session", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSpeech, "kelp.speech", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWordWindow, "kelp.wordwindow", QtInfoMsg)
Q_LOGGING_CATEGORY(lcApp, "kelp.app", QtInfoMsg)
