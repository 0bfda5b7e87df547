<#
.SYNOPSIS
Holds quorvex.exe's report against what WMI says of the same machine.

.DESCRIPTION
Reads a report written by `cmd /c "quorvex.exe <NUL >report.txt"` and asks WMI
(Get-CimInstance) for the identities it takes from the same sources: the
SMBIOS table and the drives' storage descriptors, and the display adapters.
Both sides are trimmed of blanks; "N/A", "is null" and an empty value count as
absent. Every pair is shown, equal or not. The script exits 1 when the system
UUID or a drive's serial number differs, or when WMI lists a drive numbered 0
to 7 with a serial number that the report lacks; any other difference is
shown, not failed, since WMI may clean or take a value otherwise.

The table goes to the console, and to the job summary when
GITHUB_STEP_SUMMARY names one.

.EXAMPLE
pwsh -File scripts\wmi_compare.ps1 report.txt
#>
param([Parameter(Mandatory = $true)][string]$Report)

$ErrorActionPreference = 'Stop'

function Clean($value) {
  if ($null -eq $value) { return $null }
  $text = "$value".Trim()
  if ($text -eq '' -or $text -eq 'N/A' -or $text -eq 'is null') { return $null }
  return $text
}

# The report's SMBIOS sections, each a list of structures (label -> value).
# A structure ends where its section's first label comes again.
$sections = @{}
$drives = @{}
$gpus = [System.Collections.ArrayList]@()
foreach ($line in Get-Content -LiteralPath $Report -Encoding utf8) {
  if ($line -match '^\[TAMBRO\] \[([A-Z]+ INFO)\] (\w+): (.*)$') {
    $section, $label, $value = $Matches[1], $Matches[2], $Matches[3]
    if (-not $sections.ContainsKey($section)) { $sections[$section] = [System.Collections.ArrayList]@() }
    $list = $sections[$section]
    if ($list.Count -eq 0 -or $list[$list.Count - 1].Contains($label)) { [void]$list.Add(@{}) }
    $list[$list.Count - 1][$label] = $value
  } elseif ($line -match '^\[TAMBRO\] \[DiskStorage\] \[(\d+)\] (\w+): (.*)$') {
    $drive = [int]$Matches[1]
    if (-not $drives.ContainsKey($drive)) { $drives[$drive] = @{} }
    $drives[$drive][$Matches[2]] = $Matches[3]
  } elseif ($line -match '^\[TAMBRO\] \[NVIDIA\] \[(\d+), 0\] (Name|DeviceID): (.*)$') {
    $gpu = [int]$Matches[1]
    while ($gpus.Count -le $gpu) { [void]$gpus.Add(@{}) }
    $gpus[$gpu][$Matches[2]] = $Matches[3]
  }
}

function First([string]$section) {
  if ($sections.ContainsKey($section)) { return $sections[$section][0] }
  return @{}
}

$rows = [System.Collections.ArrayList]@()
$failures = 0
# One pair. -Decides makes a difference fail the script; -IgnoreCase is for hex digits.
function Pair([string]$what, $ours, $theirs, [switch]$Decides, [switch]$IgnoreCase) {
  $a = Clean $ours
  $b = Clean $theirs
  $equal = if ($IgnoreCase) { $a -eq $b } else { $a -ceq $b }
  $verdict = if ($equal) { 'equal' } elseif ($Decides) { 'DIFFERS (fails)' } else { 'differs' }
  if (-not $equal -and $Decides) { $script:failures++ }
  [void]$rows.Add([pscustomobject]@{ What = $what; Report = $a; WMI = $b; Verdict = $verdict })
}

$product = Get-CimInstance Win32_ComputerSystemProduct | Select-Object -First 1
$system = First 'SYSTEM INFO'
Pair 'system UUID' $system['UUID'] $product.UUID -Decides -IgnoreCase
Pair 'system manufacturer' $system['manufacturer'] $product.Vendor
Pair 'system product name' $system['productName'] $product.Name
Pair 'system version' $system['version'] $product.Version
Pair 'system serial number' $system['serialNumber'] $product.IdentifyingNumber

$bios = Get-CimInstance Win32_BIOS | Select-Object -First 1
$ours = First 'BIOS INFO'
Pair 'BIOS vendor' $ours['vendor'] $bios.Manufacturer
Pair 'BIOS version' $ours['version'] $bios.SMBIOSBIOSVersion

$board = Get-CimInstance Win32_BaseBoard | Select-Object -First 1
$ours = First 'BASEBOARD INFO'
Pair 'baseboard manufacturer' $ours['manufacturer'] $board.Manufacturer
Pair 'baseboard product' $ours['product'] $board.Product
Pair 'baseboard version' $ours['version'] $board.Version
Pair 'baseboard serial number' $ours['serialNumber'] $board.SerialNumber

$chassis = Get-CimInstance Win32_SystemEnclosure | Select-Object -First 1
$ours = First 'CHASSIS INFO'
Pair 'chassis manufacturer' $ours['manufacturer'] $chassis.Manufacturer
Pair 'chassis version' $ours['Version'] $chassis.Version
Pair 'chassis serial number' $ours['serialNumber'] $chassis.SerialNumber
Pair 'chassis asset tag' $ours['AssetTagNumber'] $chassis.SMBIOSAssetTag

# WMI lists the fitted modules only; the table has a structure for every slot,
# so a module is paired with the structure of the same device locator.
$memory = if ($sections.ContainsKey('MEMORY INFO')) { $sections['MEMORY INFO'] } else { @() }
foreach ($module in Get-CimInstance Win32_PhysicalMemory) {
  $ours = $memory | Where-Object { (Clean $_['DeviceLocator']) -ceq (Clean $module.DeviceLocator) } |
    Select-Object -First 1
  if ($null -eq $ours) { $ours = @{} }
  $slot = Clean $module.DeviceLocator
  Pair "memory $slot device locator" $ours['DeviceLocator'] $module.DeviceLocator
  Pair "memory $slot bank" $ours['BankLocator'] $module.BankLabel
  Pair "memory $slot manufacturer" $ours['manufacturer'] $module.Manufacturer
  Pair "memory $slot serial number" $ours['serialNumber'] $module.SerialNumber
}

foreach ($disk in Get-CimInstance Win32_DiskDrive | Sort-Object Index) {
  $n = [int]$disk.Index
  $ours = if ($drives.ContainsKey($n)) { $drives[$n] } else { @{} }
  # The report asks drives 0 to 7 only; a serial number WMI has there must be the report's.
  $decides = $n -le 7 -and $null -ne (Clean $disk.SerialNumber)
  Pair "drive $n serial number" $ours['SerialNumber'] $disk.SerialNumber -Decides:$decides
  Pair "drive $n model" $ours['Model'] $disk.Model
  Pair "drive $n firmware" $ours['Firmware'] $disk.FirmwareRevision
}

$controllers = @(Get-CimInstance Win32_VideoController | Where-Object { $_.PNPDeviceID -like '*VEN_10DE*' })
foreach ($controller in $controllers) {
  $ours = $gpus | Where-Object { $_['DeviceID'] -eq $controller.PNPDeviceID } | Select-Object -First 1
  if ($null -eq $ours) { $ours = @{} }
  Pair "NVIDIA adapter device id" $ours['DeviceID'] $controller.PNPDeviceID -IgnoreCase
  Pair "NVIDIA adapter name" $ours['Name'] $controller.Name
}

$rows | Format-Table -AutoSize -Wrap | Out-String -Width 200 | Write-Host
if ($env:GITHUB_STEP_SUMMARY) {
  # Values are the machine's: a | or a line end would break the table.
  function Cell($value) { if ($null -eq $value) { '(absent)' } else { ($value -replace '[\r\n]', ' ') -replace '\|', '\|' } }
  $summary = @('## The report against WMI', '', '| what | report | WMI | |', '|---|---|---|---|')
  $summary += $rows | ForEach-Object { "| $($_.What) | $(Cell $_.Report) | $(Cell $_.WMI) | $($_.Verdict) |" }
  $summary += ''
  $summary | Out-File -FilePath $env:GITHUB_STEP_SUMMARY -Append -Encoding utf8
}
if ($failures -gt 0) {
  Write-Error "$failures decisive pair(s) differ: the system UUID or a drive's serial number" -ErrorAction Continue
  exit 1
}
