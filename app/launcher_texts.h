// The launcher's interface texts, Simplified Chinese in code page 936. They are kept
// as bytes so the program shows the same texts whatever the source file's encoding.
#ifndef QZ_APP_LAUNCHER_TEXTS_H
#define QZ_APP_LAUNCHER_TEXTS_H

// "正式版服务器"
#define QZ_TEXT_OFFICIAL_NAME "\xd5\xfd\xca\xbd\xb0\xe6\xb7\xfe\xce\xf1\xc6\xf7"
// "正式运营（含公测不删档）服务器，无需申请激活，版本稳定。"
#define QZ_TEXT_OFFICIAL_DESCRIPTION                                                    \
    "\xd5\xfd\xca\xbd\xd4\xcb\xd3\xaa\xa3\xa8\xba\xac\xb9\xab\xb2\xe2\xb2\xbb\xc9\xbe" \
    "\xb5\xb5\xa3\xa9\xb7\xfe\xce\xf1\xc6\xf7\xa3\xac\xce\xde\xd0\xe8\xc9\xea\xc7\xeb" \
    "\xbc\xa4\xbb\xee\xa3\xac\xb0\xe6\xb1\xbe\xce\xc8\xb6\xa8\xa1\xa3"
// "体验版服务器"
#define QZ_TEXT_EXPERIENCE_NAME "\xcc\xe5\xd1\xe9\xb0\xe6\xb7\xfe\xce\xf1\xc6\xf7"
// "优先体验新内容服务器，需申请激活。"
#define QZ_TEXT_EXPERIENCE_DESCRIPTION                                                  \
    "\xd3\xc5\xcf\xc8\xcc\xe5\xd1\xe9\xd0\xc2\xc4\xda\xc8\xdd\xb7\xfe\xce\xf1\xc6\xf7" \
    "\xa3\xac\xd0\xe8\xc9\xea\xc7\xeb\xbc\xa4\xbb\xee\xa1\xa3"
// "服务器类型选择\n\n您可以在这里选择想要进入的服务器。"
#define QZ_TEXT_DEFAULT_CLUE                                                            \
    "\xb7\xfe\xce\xf1\xc6\xf7\xc0\xe0\xd0\xcd\xd1\xa1\xd4\xf1\n\n"                     \
    "\xc4\xfa\xbf\xc9\xd2\xd4\xd4\xda\xd5\xe2\xc0\xef\xd1\xa1\xd4\xf1\xcf\xeb\xd2\xaa" \
    "\xbd\xf8\xc8\xeb\xb5\xc4\xb7\xfe\xce\xf1\xc6\xf7\xa1\xa3"
// "错误"
#define QZ_TEXT_ERROR_CAPTION "\xb4\xed\xce\xf3"
// "加载器启动失败。"
#define QZ_TEXT_START_FAILED "\xbc\xd3\xd4\xd8\xc6\xf7\xc6\xf4\xb6\xaf\xca\xa7\xb0\xdc\xa1\xa3"

#define QZ_TEXT_CAPTION "Ardun"

// Client folders, relative to the launcher's folder, and the programs started there.
#define QZ_OFFICIAL_PATH   ".\\bin\\zhcn\\"
#define QZ_EXPERIENCE_PATH ".\\bin\\zhcn_exp\\"
#define QZ_UPDATER_PROGRAM "clientpatch.exe"
#define QZ_SETUP_PROGRAM   "ClientSetup.exe"

#endif  // QZ_APP_LAUNCHER_TEXTS_H
