@echo off
rem Example for a product's uninstaller (run elevated): removes the product's description
rem file; the shared checker, its Run entry and its tasks go only with the last product.
rem   uninstall-product.cmd <ProductName>
setlocal
if "%~1"=="" (echo usage: uninstall-product.cmd ProductName & exit /b 2)
set "PRODUCTS=%ProgramData%\Dexivane\KavexWebUpdate"
del /q "%PRODUCTS%\%~1.xml" 2>nul
dir /b "%PRODUCTS%\*.xml" >nul 2>&1 && goto :eof
reg delete "HKCU\Software\Microsoft\Windows\CurrentVersion\Run" /v KavexWebUpdate /f >nul 2>&1
schtasks /Delete /TN "Dexivane\KavexWebUpdate daily" /F >nul 2>&1
schtasks /Delete /TN "Dexivane\KavexWebUpdate logon" /F >nul 2>&1
rmdir "%PRODUCTS%" 2>nul
endlocal
