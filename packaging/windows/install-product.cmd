@echo off
rem Example for a product's setup (run elevated): installs or upgrades the product's
rem entry for Kavex Web Update. Several products share one checker: each writes its own
rem description file; the checker, the Run entry and the tasks are shared and created
rem only once (/F replaces them with the same).
rem   install-product.cmd <ProductName> <Version> [<Locale>]
setlocal
if "%~2"=="" (echo usage: install-product.cmd ProductName Version [Locale] & exit /b 2)
set "PRODUCT=%~1"
set "VERSION=%~2"
set "LOCALE=%~3"
if "%LOCALE%"=="" set "LOCALE=en"
set "CHECKER=%ProgramFiles%\Dexivane\KavexWebUpdate\kavexwebupd.exe"
set "PRODUCTS=%ProgramData%\Dexivane\KavexWebUpdate"

rem The description file: an upgrade simply rewrites it with the new Version.
if not exist "%PRODUCTS%" mkdir "%PRODUCTS%"
> "%PRODUCTS%\%PRODUCT%.xml" (
  echo ^<ProductInfo^>
  echo   ^<Name^>%PRODUCT%^</Name^>
  echo   ^<Version^>%VERSION%^</Version^>
  echo   ^<Locale^>%LOCALE%^</Locale^>
  echo ^</ProductInfo^>
)

rem The silent check at logon, for the user running the setup.
reg add "HKCU\Software\Microsoft\Windows\CurrentVersion\Run" /v KavexWebUpdate /t REG_SZ /d "\"%CHECKER%\" 1" /f >nul

rem And daily, and at logon of any user, as scheduled tasks (they run as the user who
rem logs on, so the dialogs appear on that user's desktop).
schtasks /Create /TN "Dexivane\KavexWebUpdate daily" /TR "\"%CHECKER%\" 1" /SC DAILY /ST 12:00 /F >nul
schtasks /Create /TN "Dexivane\KavexWebUpdate logon" /TR "\"%CHECKER%\" 1" /SC ONLOGON /F >nul
endlocal
