target_sources(pelkcore PRIVATE
    RegistryStore.h
    RegFileStore.h RegFileStore.cpp
    SystemConfigFolders.h SystemConfigFolders.cpp
    PolicyStore.h PolicyStore.cpp
    EffectiveSettings.h EffectiveSettings.cpp
    RegFileKey.h RegFileKey.cpp
    RegFile.h RegFile.cpp
    RegValue.h RegValue.cpp
    StoreFile.h StoreFile.cpp
    FileLock.h FileLock.cpp
    UniqueFd.h
    UPelkUpdaterUtils.h UPelkUpdaterUtils.cpp
    PasswordProtection.h PasswordProtection.cpp
    PasswordText.h PasswordText.cpp
    BlowfishCfb8.h BlowfishCfb8.cpp)
