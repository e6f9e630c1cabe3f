; Texts of the setup program in its two languages.

LangString STR_CLOSING ${LANG_ENGLISH} "Asking ZelSATA to close..."
LangString STR_CLOSING ${LANG_JAPANESE} "ZelSATA に終了を要求しています..."

LangString STR_STILL_RUNNING ${LANG_ENGLISH} "ZelSATA is still running.$\r$\n$\r$\nClose its message windows (or ZelSATA itself) and click Retry, or click Cancel to stop."
LangString STR_STILL_RUNNING ${LANG_JAPANESE} "ZelSATA がまだ動作しています。$\r$\n$\r$\nZelSATA のメッセージ ウィンドウ (または ZelSATA) を閉じてから [再試行] を、中止するには [キャンセル] をクリックして下さい。"

LangString STR_STILL_RUNNING_ABORT ${LANG_ENGLISH} "ZelSATA is still running: nothing was changed."
LangString STR_STILL_RUNNING_ABORT ${LANG_JAPANESE} "ZelSATA が動作中のため、何も変更しませんでした。"

LangString STR_COPY_FAILED ${LANG_ENGLISH} "Some files could not be written."
LangString STR_COPY_FAILED ${LANG_JAPANESE} "一部のファイルを書き込めませんでした。"

LangString STR_NEED_ADMIN ${LANG_ENGLISH} "Installing ZelSATA needs an administrator account."
LangString STR_NEED_ADMIN ${LANG_JAPANESE} "ZelSATA のインストールには管理者アカウントが必要です。"

LangString STR_NEED_X64_SETUP ${LANG_ENGLISH} "This is the setup for 32-bit Windows. On 64-bit Windows please use the x86_64 setup of ZelSATA."
LangString STR_NEED_X64_SETUP ${LANG_JAPANESE} "これは 32 ビット版 Windows 用のセットアップです。64 ビット版 Windows では ZelSATA の x86_64 版セットアップを使用して下さい。"

LangString STR_PATH_TOO_LONG ${LANG_ENGLISH} "The installation folder name is too long. Please choose a shorter one."
LangString STR_PATH_TOO_LONG ${LANG_JAPANESE} "インストール先フォルダの名前が長すぎます。短い名前を選んで下さい。"

LangString STR_REMOVE_SETTINGS ${LANG_ENGLISH} "Remove settings"
LangString STR_REMOVE_SETTINGS ${LANG_JAPANESE} "設定を削除する"

LangString STR_REMOVE_SETTINGS_INFO ${LANG_ENGLISH} "Also remove ZelSATA's settings from the registry. Leave this unticked to keep them for a later installation."
LangString STR_REMOVE_SETTINGS_INFO ${LANG_JAPANESE} "ZelSATA の設定もレジストリから削除します。次回のインストールのために設定を残す場合はチェックを外したままにして下さい。"
