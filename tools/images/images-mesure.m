% Fits the height-height correlation function of the measurement in the
% working directory with HR.m and, where Octave can draw without a display
% (its gnuplot toolkit), saves two pictures there:
%   correlation.png  the function, the fitted curve, the fitted L and s, the
%                    x axis up to the last radius fitted;
%   surface.png      the centred surface seen from above (GRILLE_CENTREE.txt),
%                    empty nodes left blank, with a labelled colour bar.
% Writes ajustement.txt: the fitted correlation length, the fitted RMS height,
% the number of radii fitted and the unit of lengths. Lengths are in the unit of the road: percent
% of the frame side on the photogrammetric road (the folder holds base.txt or
% cloud.txt), cm on the manual road. Fewer than 5 radii make a poor fit, and a
% grille.txt newer than HR.m was not fitted: a warning goes to the screen and
% onto the picture for each.
%
% In the directory of a measurement: rugosite-images, or
%   octave --eval "source('.../images-mesure.m')"

% The packages' own warnings (functions of the statistics package shadowing
% core ones, the gnuplot toolkit being discouraged) say nothing about the
% measurement.
etat_avertissements = warning();
warning('off', 'all');
pkg load optim;
if any(strcmp(available_graphics_toolkits(), 'gnuplot'))
  graphics_toolkit('gnuplot');
  set(0, 'defaultfigurevisible', 'off');
end
warning(etat_avertissements);
warning('off', 'Octave:gnuplot-graphics');
warning('off', 'Octave:shadowed-function');
warning('off', 'print:nogs');  % PNG pictures need no Ghostscript

% HR.m carries two accented lines in ISO 8859-1.
if exist('__mfile_encoding__')
  encodage_precedent = __mfile_encoding__();
  __mfile_encoding__('iso-8859-1');
end
try
  HR;  % without any graphics toolkit it stops at its figure, after the fit
catch
end
% HR.m begins with "clear all": everything of this script is made from here on.
if exist('__mfile_encoding__')
  __mfile_encoding__('utf-8');
end
if ~exist('longueur_corr_fit', 'var')
  error('rugosite:ajustement', 'HR.m n''a pas donne de longueur de correlation');
end
rayons = numel(r);
[fichier, raison] = fopen('ajustement.txt', 'w');
if fichier < 0
  error('rugosite:ecriture', 'ajustement.txt n''a pas pu etre ecrit : %s', raison);
end
% RMS_fit enters the model squared: its sign means nothing
% The unit of the road, told from the files of the folder.
if exist('base.txt', 'file') || exist('cloud.txt', 'file')
  unite = '% du cote';
  unite_longue = '% du cote du cadre';
  unite_fichier = 'pourcent_du_cote';
else
  unite = 'cm';
  unite_longue = 'cm';
  unite_fichier = 'cm';
end
fprintf(fichier, 'longueur_corr_fit %f\nRMS_fit %f\nrayons %d\nunite %s\n', longueur_corr_fit, abs(RMS_fit), ...
        rayons, unite_fichier);
fclose(fichier);
avertissements = {};
if rayons < 5
  avertissements{end + 1} = sprintf('attention : %d rayons seulement (moins de 5)', rayons);
  printf('%s ajustes : la longueur de correlation et la hauteur RMS ajustees sont peu fiables\n', avertissements{end});
end
% rugosite-images compares the dates itself, to the nanosecond, and has said it;
% run by hand, the script compares them to the second.
plus_recente = getenv('RUGOSITE_GRILLE_PLUS_RECENTE');
if isempty(plus_recente)
  [grille_info, erreur_grille] = stat('grille.txt');
  [hr_info, erreur_hr] = stat('HR.m');
  plus_recente = erreur_grille == 0 && erreur_hr == 0 && grille_info.mtime > hr_info.mtime;
  if plus_recente
    printf('attention : grille.txt est plus recent que HR.m : relancez reliefstat pour la nouvelle grille\n');
  end
else
  plus_recente = strcmp(plus_recente, '1');
end
if plus_recente
  avertissements{end + 1} = 'attention : HR.m date d''avant grille.txt';
end

dessin = any(strcmp(available_graphics_toolkits(), 'gnuplot')) && ~isempty(get(0, 'children'));
if ~dessin
  printf('images non produites : pas de dessin sans ecran (paquet gnuplot-nox)\n');
  return;
end
try
  % The correlation function, as HR.m drew it, then axes and labels.
  set(findobj(gca, 'type', 'line'), 'linewidth', 2);
  % Above 1/1.8 of the height no point stands: the figures and the legend go there.
  if rayons > 0
    xlim([0 max(r)]);
    ylim([0 1.8 * max([Hr(:); F(x, r(:))])]);
  end
  xlabel(sprintf('r (%s)', unite_longue));
  if strcmp(unite, 'cm')
    ylabel('H(r) (cm^2)');
  else
    ylabel('H(r) ((% du cote)^2)');
  end
  title('fonction de correlation hauteur-hauteur');
  figures = {'H(r) = 2 s^2 (1 - exp(-r/L))', sprintf('L = %.4g %s', longueur_corr_fit, unite), ...
             sprintf('s = %.4g %s', abs(RMS_fit), unite), ...
             sprintf('%d rayons ajustes', rayons)};
  % One text per line: the gnuplot toolkit does not pass a line end on.
  for ligne = 1:numel(figures)
    text(0.03, 1.02 - 0.07 * ligne, figures{ligne}, 'units', 'normalized');
  end
  for ligne = 1:numel(avertissements)
    text(0.03, 1.02 - 0.07 * (numel(figures) + ligne), avertissements{ligne}, 'units', 'normalized', ...
         'color', 'red');
  end
  legend('H(r) mesuree', 'ajustement', 'location', 'northeast');
  print(gcf, 'correlation.png', '-dpngcairo', '-S900,700');

  % The centred surface, from the file: visu_grille.m draws empty nodes at 0.
  entree = fopen('grille.txt', 'r');
  entete = fgetl(entree);
  fclose(entree);
  taille = sscanf(entete, '%dx%dx%f');
  pas = taille(3);
  Z = load('GRILLE_CENTREE.txt');
  Z(Z == 10000) = NaN;
  [lignes, colonnes] = size(Z);
  % Each node drawn as the square of side pas around it. An empty node takes a
  % value just below the lowest height, which the colour map paints white.
  figure;
  vide = isnan(Z);
  bas = min(Z(~vide));
  haut = max(Z(~vide));
  if haut <= bas
    haut = bas + 1;
  end
  teintes = 255;
  bande = (haut - bas) / teintes;
  Z(vide) = bas - bande;
  imagesc((0:colonnes - 1) * pas, (0:lignes - 1) * pas, Z);
  set(gca, 'ydir', 'normal');
  colormap([1 1 1; viridis(teintes)]);
  caxis([bas - bande, haut]);
  if max(lignes, colonnes) <= 3 * min(lignes, colonnes)
    axis equal tight;
  else
    axis tight;  % a long strip (manual road) drawn to scale would be a line
    set(gca, 'position', [0.13 0.16 0.6 0.72]);
  end
  xlabel(sprintf('x (%s)', unite_longue));
  ylabel(sprintf('y (%s)', unite_longue));
  barre = colorbar;
  ylabel(barre, sprintf('hauteur centree (%s)', unite_longue));
  title('surface centree (vides en blanc)');
  print(gcf, 'surface.png', '-dpngcairo', '-S900,800');
catch erreur
  % gnuplot needs the FreeSans font (fonts-freefont-otf) to draw text
  printf('images non produites : %s\n', erreur.message);
end
